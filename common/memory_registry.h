// An in-memory registry for tests: it answers as the system's does, keys and
// value names compare without regard to letter case, and it counts open keys.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/registry.h"

namespace qp {

class MemoryRegistry : public RegistryPort {
 public:
  struct StoredValue {
    RegType type = RegType::kNone;
    std::string bytes;
  };

  OpenedKey CreateKey(RegistryRoot root, std::u16string_view path,
                      RegistryAccess access) override;
  OpenedKey OpenKey(RegistryRoot root, std::u16string_view path, RegistryAccess access) override;
  RegStatus DeleteKey(RegistryRoot root, std::u16string_view path) override;
  RegStatus DeleteTree(RegistryRoot root, std::u16string_view path) override;

  // Test set-up and inspection below the current user's root; `name` null is
  // the default value.
  void Put(std::u16string_view path, const char16_t* name, RegType type, std::string bytes);
  void PutString(std::u16string_view path, const char16_t* name, std::u16string_view text);
  void PutDword(std::u16string_view path, const char16_t* name, uint32_t value);
  std::optional<StoredValue> Find(std::u16string_view path, const char16_t* name) const;
  // The text of a REG_SZ value without its terminator; nullopt when missing.
  std::optional<std::u16string> FindString(std::u16string_view path, const char16_t* name) const;
  std::optional<uint32_t> FindDword(std::u16string_view path, const char16_t* name) const;
  // Value names of a key (as first written), sorted without case.
  std::vector<std::u16string> ValueNames(std::u16string_view path) const;
  bool HasKey(std::u16string_view path) const;

  // The same below any root.
  void Put(RegistryRoot root, std::u16string_view path, const char16_t* name, RegType type,
           std::string bytes);
  void PutString(RegistryRoot root, std::u16string_view path, const char16_t* name,
                 std::u16string_view text);
  bool HasKey(RegistryRoot root, std::u16string_view path) const;
  // Every key at or below `path` as its path, and every value as
  // "path|name=text" (REG_SZ text; other types as "#type"), in the letter
  // case the key and the value were first written with; the default value's
  // name is empty.
  std::vector<std::u16string> Listing(RegistryRoot root, std::u16string_view path) const;
  // Makes creating and deleting exactly this key fail with kAccessDenied.
  void Refuse(RegistryRoot root, std::u16string_view path);

  int openKeys = 0;         // keys opened and not yet closed
  int opensTotal = 0;       // every key opened, created or not
  bool failCreate = false;  // makes every CreateKey fail

 private:
  class Key;
  using Path = std::pair<RegistryRoot, std::u16string>;  // the path folded
  struct Node {
    std::u16string shown;  // the path as first written
    std::map<std::u16string, std::pair<std::u16string, StoredValue>> values;  // by folded name
  };

  static Path PathOf(RegistryRoot root, std::u16string_view path);
  Node& Ensure(RegistryRoot root, std::u16string_view path);
  bool Refused(const Path& path) const;
  Node* Lookup(const Path& path);
  const Node* Lookup(const Path& path) const;
  bool HasSubkeys(const Path& path) const;
  OpenedKey Open(const Path& path, RegistryAccess access);

  std::map<Path, Node> keys_;
  std::vector<Path> refused_;
};

// REG_SZ bytes of a text: the UTF-16 units and a terminating NUL.
std::string StringBytes(std::u16string_view text);

}  // namespace qp
