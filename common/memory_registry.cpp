#include "common/memory_registry.h"

#include <cstring>

namespace qp {
namespace {

std::u16string Fold(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

std::u16string NameOf(const char16_t* name) { return name ? name : u""; }

bool Allows(RegistryAccess access, RegistryAccess needed) {
  return access == RegistryAccess::kAll || access == needed;
}

}  // namespace

std::string StringBytes(std::u16string_view text) {
  std::string bytes((text.size() + 1) * 2, '\0');
  std::memcpy(bytes.data(), text.data(), text.size() * 2);
  return bytes;
}

// A key of the registry it came from, found again by its path on every call,
// so that one deleted meanwhile answers kKeyDeleted as the system's does.
class MemoryRegistry::Key final : public RegistryKey {
 public:
  Key(MemoryRegistry& registry, Path path, RegistryAccess access)
      : registry_(registry), path_(std::move(path)), access_(access) {
    ++registry_.openKeys;
    ++registry_.opensTotal;
  }
  ~Key() override { --registry_.openKeys; }

  RegStatus QueryValue(const char16_t* name, RegType* type, void* data,
                       uint32_t& bytes) override {
    Node* node = nullptr;
    const RegStatus usable = Usable(RegistryAccess::kQueryValues, node);
    if (!usable.Ok()) return usable;
    auto it = node->values.find(Fold(NameOf(name)));
    if (it == node->values.end()) return RegStatus(RegStatus::kFileNotFound);
    const StoredValue& stored = it->second.second;
    if (type) *type = stored.type;
    const uint32_t capacity = bytes;
    bytes = static_cast<uint32_t>(stored.bytes.size());
    if (data == nullptr) return RegStatus();
    if (bytes > capacity) return RegStatus(RegStatus::kMoreData);
    if (bytes > 0) std::memcpy(data, stored.bytes.data(), bytes);
    return RegStatus();
  }

  RegStatus SetValue(const char16_t* name, RegType type, const void* data,
                     uint32_t bytes) override {
    Node* node = nullptr;
    const RegStatus usable = Usable(RegistryAccess::kSetValues, node);
    if (!usable.Ok()) return usable;
    auto& slot = node->values[Fold(NameOf(name))];
    if (slot.first.empty()) slot.first = NameOf(name);
    slot.second.type = type;
    slot.second.bytes.assign(static_cast<const char*>(data), bytes);
    return RegStatus();
  }

  RegStatus DeleteValue(const char16_t* name) override {
    Node* node = nullptr;
    const RegStatus usable = Usable(RegistryAccess::kSetValues, node);
    if (!usable.Ok()) return usable;
    return node->values.erase(Fold(NameOf(name))) > 0 ? RegStatus()
                                                      : RegStatus(RegStatus::kFileNotFound);
  }

 private:
  RegStatus Usable(RegistryAccess needed, Node*& node) const {
    if (!Allows(access_, needed)) return RegStatus(RegStatus::kAccessDenied);
    node = registry_.Lookup(path_);
    return node ? RegStatus() : RegStatus(RegStatus::kKeyDeleted);
  }

  MemoryRegistry& registry_;
  const Path path_;
  const RegistryAccess access_;
};

MemoryRegistry::Path MemoryRegistry::PathOf(RegistryRoot root, std::u16string_view path) {
  return {root, Fold(path)};
}

MemoryRegistry::Node& MemoryRegistry::Ensure(RegistryRoot root, std::u16string_view path) {
  // Parents exist whenever a child does, as in the real registry.
  for (size_t pos = path.find(u'\\'); pos != std::u16string_view::npos;
       pos = path.find(u'\\', pos + 1)) {
    Node& parent = keys_[PathOf(root, path.substr(0, pos))];
    if (parent.shown.empty()) parent.shown = path.substr(0, pos);
  }
  Node& node = keys_[PathOf(root, path)];
  if (node.shown.empty()) node.shown = path;
  return node;
}

bool MemoryRegistry::Refused(const Path& path) const {
  return std::find(refused_.begin(), refused_.end(), path) != refused_.end();
}

MemoryRegistry::Node* MemoryRegistry::Lookup(const Path& path) {
  auto it = keys_.find(path);
  return it == keys_.end() ? nullptr : &it->second;
}

const MemoryRegistry::Node* MemoryRegistry::Lookup(const Path& path) const {
  auto it = keys_.find(path);
  return it == keys_.end() ? nullptr : &it->second;
}

bool MemoryRegistry::HasSubkeys(const Path& path) const {
  const Path prefix{path.first, path.second + u'\\'};
  auto child = keys_.lower_bound(prefix);
  return child != keys_.end() && child->first.first == path.first &&
         child->first.second.compare(0, prefix.second.size(), prefix.second) == 0;
}

OpenedKey MemoryRegistry::Open(const Path& path, RegistryAccess access) {
  return {RegStatus(), std::make_unique<Key>(*this, path, access)};
}

OpenedKey MemoryRegistry::CreateKey(RegistryRoot root, std::u16string_view path,
                                    RegistryAccess access) {
  if (failCreate) return {RegStatus(RegStatus::kAccessDenied), nullptr};
  if (path.empty()) return {RegStatus(RegStatus::kInvalidParameter), nullptr};
  const Path where = PathOf(root, path);
  if (Refused(where)) return {RegStatus(RegStatus::kAccessDenied), nullptr};
  Ensure(root, path);
  return Open(where, access);
}

OpenedKey MemoryRegistry::OpenKey(RegistryRoot root, std::u16string_view path,
                                  RegistryAccess access) {
  const Path where = PathOf(root, path);
  if (Lookup(where) == nullptr) return {RegStatus(RegStatus::kFileNotFound), nullptr};
  return Open(where, access);
}

RegStatus MemoryRegistry::DeleteKey(RegistryRoot root, std::u16string_view path) {
  const Path where = PathOf(root, path);
  if (Refused(where)) return RegStatus(RegStatus::kAccessDenied);
  auto it = keys_.find(where);
  if (it == keys_.end()) return RegStatus(RegStatus::kFileNotFound);
  if (HasSubkeys(where)) return RegStatus(RegStatus::kAccessDenied);
  keys_.erase(it);
  return RegStatus();
}

RegStatus MemoryRegistry::DeleteTree(RegistryRoot root, std::u16string_view path) {
  const Path where = PathOf(root, path);
  if (Refused(where)) return RegStatus(RegStatus::kAccessDenied);
  auto it = keys_.find(where);
  if (it == keys_.end()) return RegStatus(RegStatus::kFileNotFound);
  keys_.erase(it);
  // The subkeys follow their prefix, though not always the key itself: a
  // sibling such as "a b" sorts between "a" and "a\\b".
  const Path prefix{root, where.second + u'\\'};
  auto first = keys_.lower_bound(prefix);
  auto last = first;
  while (last != keys_.end() && last->first.first == root &&
         last->first.second.compare(0, prefix.second.size(), prefix.second) == 0) {
    ++last;
  }
  keys_.erase(first, last);
  return RegStatus();
}

void MemoryRegistry::Put(std::u16string_view path, const char16_t* name, RegType type,
                         std::string bytes) {
  Put(RegistryRoot::kCurrentUser, path, name, type, std::move(bytes));
}

void MemoryRegistry::Put(RegistryRoot root, std::u16string_view path, const char16_t* name,
                         RegType type, std::string bytes) {
  auto& slot = Ensure(root, path).values[Fold(NameOf(name))];
  slot.first = NameOf(name);
  slot.second = {type, std::move(bytes)};
}

void MemoryRegistry::PutString(std::u16string_view path, const char16_t* name,
                               std::u16string_view text) {
  Put(path, name, RegType::kString, StringBytes(text));
}

void MemoryRegistry::PutDword(std::u16string_view path, const char16_t* name, uint32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);
  Put(path, name, RegType::kDword, bytes);
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Find(std::u16string_view path,
                                                                const char16_t* name) const {
  const Node* node = Lookup(PathOf(RegistryRoot::kCurrentUser, path));
  if (node == nullptr) return std::nullopt;
  auto it = node->values.find(Fold(NameOf(name)));
  if (it == node->values.end()) return std::nullopt;
  return it->second.second;
}

std::optional<std::u16string> MemoryRegistry::FindString(std::u16string_view path,
                                                         const char16_t* name) const {
  auto value = Find(path, name);
  if (!value || value->type != RegType::kString || value->bytes.size() < 2) return std::nullopt;
  std::u16string text((value->bytes.size() - 2) / 2, u'\0');
  std::memcpy(text.data(), value->bytes.data(), text.size() * 2);
  return text;
}

std::optional<uint32_t> MemoryRegistry::FindDword(std::u16string_view path,
                                                  const char16_t* name) const {
  auto value = Find(path, name);
  if (!value || value->type != RegType::kDword || value->bytes.size() != 4) return std::nullopt;
  uint32_t number = 0;
  std::memcpy(&number, value->bytes.data(), 4);
  return number;
}

std::vector<std::u16string> MemoryRegistry::ValueNames(std::u16string_view path) const {
  std::vector<std::u16string> names;
  if (const Node* node = Lookup(PathOf(RegistryRoot::kCurrentUser, path))) {
    for (const auto& entry : node->values) names.push_back(entry.second.first);
  }
  return names;
}

bool MemoryRegistry::HasKey(std::u16string_view path) const {
  return HasKey(RegistryRoot::kCurrentUser, path);
}

void MemoryRegistry::PutString(RegistryRoot root, std::u16string_view path, const char16_t* name,
                               std::u16string_view text) {
  Put(root, path, name, RegType::kString, StringBytes(text));
}

bool MemoryRegistry::HasKey(RegistryRoot root, std::u16string_view path) const {
  return Lookup(PathOf(root, path)) != nullptr;
}

std::vector<std::u16string> MemoryRegistry::Listing(RegistryRoot root,
                                                    std::u16string_view path) const {
  const Path top = PathOf(root, path);
  const std::u16string below = top.second + u'\\';
  std::vector<std::u16string> lines;
  for (const auto& [where, node] : keys_) {
    if (where.first != root) continue;
    if (where.second != top.second && where.second.compare(0, below.size(), below) != 0) continue;
    lines.push_back(node.shown);
    for (const auto& [folded, named] : node.values) {
      const StoredValue& value = named.second;
      std::u16string text = u"#" + std::u16string(1, static_cast<char16_t>(u'0' + static_cast<int>(value.type)));
      if (value.type == RegType::kString && value.bytes.size() >= 2) {
        text.assign((value.bytes.size() - 2) / 2, u'\0');
        std::memcpy(text.data(), value.bytes.data(), text.size() * 2);
      }
      lines.push_back(node.shown + u"|" + named.first + u"=" + text);
    }
  }
  return lines;
}

void MemoryRegistry::Refuse(RegistryRoot root, std::u16string_view path) {
  refused_.push_back(PathOf(root, path));
}

}  // namespace qp
