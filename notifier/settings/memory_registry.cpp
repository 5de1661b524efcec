#include "notifier/settings/memory_registry.h"

#include <algorithm>
#include <cstring>

namespace qptn {

std::string StringBytes(std::u16string_view text) {
  std::string bytes((text.size() + 1) * 2, '\0');
  std::memcpy(bytes.data(), text.data(), text.size() * 2);
  return bytes;
}

std::u16string MemoryRegistry::Fold(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

MemoryRegistry::Node& MemoryRegistry::Ensure(std::u16string_view subkey) {
  // Parents exist whenever a child does, as in the real registry.
  std::u16string path = Fold(subkey);
  for (size_t pos = path.find(u'\\'); pos != std::u16string::npos; pos = path.find(u'\\', pos + 1)) {
    keys_.try_emplace(path.substr(0, pos));
  }
  return keys_[path];
}

const MemoryRegistry::Node* MemoryRegistry::Lookup(std::u16string_view subkey) const {
  auto it = keys_.find(Fold(subkey));
  return it == keys_.end() ? nullptr : &it->second;
}

RegistryPort::Key MemoryRegistry::CreateKey(std::u16string_view subkey) {
  if (failCreate || subkey.empty()) return nullptr;
  ++openKeys;
  ++opensTotal;
  return &Ensure(subkey);
}

void MemoryRegistry::CloseKey(Key key) {
  if (key != nullptr) --openKeys;
}

bool MemoryRegistry::ValueSize(Key key, const char16_t* name, uint32_t& bytes) {
  if (key == nullptr) return false;
  const auto& values = static_cast<Node*>(key)->values;
  auto it = values.find(Fold(NameOf(name)));
  if (it == values.end()) return false;
  bytes = static_cast<uint32_t>(it->second.second.bytes.size());
  return true;
}

bool MemoryRegistry::ReadValue(Key key, const char16_t* name, void* buffer, uint32_t& bytes) {
  uint32_t size = 0;
  if (!ValueSize(key, name, size)) return false;
  const uint32_t capacity = bytes;
  bytes = size;
  if (size > capacity) return false;
  const auto& stored = static_cast<Node*>(key)->values.at(Fold(NameOf(name))).second.bytes;
  if (size > 0) std::memcpy(buffer, stored.data(), size);
  return true;
}

bool MemoryRegistry::WriteValue(Key key, const char16_t* name, RegType type, const void* data,
                                uint32_t bytes) {
  if (key == nullptr) return false;
  auto& slot = static_cast<Node*>(key)->values[Fold(NameOf(name))];
  if (slot.first.empty()) slot.first = NameOf(name);
  slot.second.type = type;
  slot.second.bytes.assign(static_cast<const char*>(data), bytes);
  return true;
}

bool MemoryRegistry::DeleteValue(Key key, const char16_t* name) {
  if (key == nullptr) return false;
  return static_cast<Node*>(key)->values.erase(Fold(NameOf(name))) > 0;
}

bool MemoryRegistry::DeleteKey(std::u16string_view subkey) {
  const std::u16string path = Fold(subkey);
  auto it = keys_.find(path);
  if (it == keys_.end()) return false;
  const std::u16string prefix = path + u'\\';
  auto next = std::next(it);
  if (next != keys_.end() && next->first.compare(0, prefix.size(), prefix) == 0) return false;
  keys_.erase(it);
  return true;
}

void MemoryRegistry::Put(std::u16string_view subkey, const char16_t* name, RegType type,
                         std::string bytes) {
  auto& slot = Ensure(subkey).values[Fold(NameOf(name))];
  slot.first = NameOf(name);
  slot.second = {type, std::move(bytes)};
}

void MemoryRegistry::PutString(std::u16string_view subkey, const char16_t* name,
                               std::u16string_view text) {
  Put(subkey, name, RegType::kString, StringBytes(text));
}

void MemoryRegistry::PutDword(std::u16string_view subkey, const char16_t* name, uint32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);
  Put(subkey, name, RegType::kDword, bytes);
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Find(std::u16string_view subkey,
                                                                const char16_t* name) const {
  const Node* node = Lookup(subkey);
  if (node == nullptr) return std::nullopt;
  auto it = node->values.find(Fold(NameOf(name)));
  if (it == node->values.end()) return std::nullopt;
  return it->second.second;
}

std::optional<std::u16string> MemoryRegistry::FindString(std::u16string_view subkey,
                                                         const char16_t* name) const {
  auto value = Find(subkey, name);
  if (!value || value->type != RegType::kString || value->bytes.size() < 2) return std::nullopt;
  std::u16string text((value->bytes.size() - 2) / 2, u'\0');
  std::memcpy(text.data(), value->bytes.data(), text.size() * 2);
  return text;
}

std::optional<uint32_t> MemoryRegistry::FindDword(std::u16string_view subkey,
                                                  const char16_t* name) const {
  auto value = Find(subkey, name);
  if (!value || value->type != RegType::kDword || value->bytes.size() != 4) return std::nullopt;
  uint32_t number = 0;
  std::memcpy(&number, value->bytes.data(), 4);
  return number;
}

std::vector<std::u16string> MemoryRegistry::ValueNames(std::u16string_view subkey) const {
  std::vector<std::u16string> names;
  if (const Node* node = Lookup(subkey)) {
    for (const auto& entry : node->values) names.push_back(entry.second.first);
  }
  return names;
}

bool MemoryRegistry::HasKey(std::u16string_view subkey) const { return Lookup(subkey) != nullptr; }

}  // namespace qptn
