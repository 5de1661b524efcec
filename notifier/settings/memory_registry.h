// An in-memory registry for tests: keys and value names compare without
// regard to letter case, as the system's do.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "notifier/settings/registry.h"

namespace qptn {

class MemoryRegistry : public RegistryPort {
 public:
  struct StoredValue {
    RegType type = RegType::kNone;
    std::string bytes;
  };

  Key CreateKey(std::u16string_view subkey) override;
  void CloseKey(Key key) override;
  bool ValueSize(Key key, const char16_t* name, uint32_t& bytes) override;
  bool ReadValue(Key key, const char16_t* name, void* buffer, uint32_t& bytes) override;
  bool WriteValue(Key key, const char16_t* name, RegType type, const void* data,
                  uint32_t bytes) override;
  bool DeleteValue(Key key, const char16_t* name) override;
  bool DeleteKey(std::u16string_view subkey) override;

  // Test set-up and inspection; `name` null is the default value.
  void Put(std::u16string_view subkey, const char16_t* name, RegType type, std::string bytes);
  void PutString(std::u16string_view subkey, const char16_t* name, std::u16string_view text);
  void PutDword(std::u16string_view subkey, const char16_t* name, uint32_t value);
  std::optional<StoredValue> Find(std::u16string_view subkey, const char16_t* name) const;
  // The text of a REG_SZ value without its terminator; nullopt when missing.
  std::optional<std::u16string> FindString(std::u16string_view subkey, const char16_t* name) const;
  std::optional<uint32_t> FindDword(std::u16string_view subkey, const char16_t* name) const;
  // Value names of a key (as first written), sorted without case.
  std::vector<std::u16string> ValueNames(std::u16string_view subkey) const;
  bool HasKey(std::u16string_view subkey) const;

  int openKeys = 0;        // keys opened and not yet closed
  int opensTotal = 0;      // every successful CreateKey
  bool failCreate = false; // makes every CreateKey fail

 private:
  struct Node {
    std::map<std::u16string, std::pair<std::u16string, StoredValue>> values;  // by folded name
  };
  static std::u16string Fold(std::u16string_view text);
  static std::u16string NameOf(const char16_t* name) { return name ? name : u""; }
  Node& Ensure(std::u16string_view subkey);
  const Node* Lookup(std::u16string_view subkey) const;

  std::map<std::u16string, Node> keys_;  // by folded path
};

// REG_SZ bytes of a text: the UTF-16 units and a terminating NUL.
std::string StringBytes(std::u16string_view text);

}  // namespace qptn
