// The registry as the settings and the shell entries need it: keys below the
// current user's root, and named values of raw bytes. A null name is the
// key's default value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qptn {

enum class RegType : uint32_t { kNone = 0, kString = 1, kBinary = 3, kDword = 4 };

class RegistryPort {
 public:
  using Key = void*;  // an open key; nullptr is none

  virtual ~RegistryPort() = default;
  // Opens `subkey` with full access, creating it (and its parents) when
  // missing. nullptr on failure.
  virtual Key CreateKey(std::u16string_view subkey) = 0;
  virtual void CloseKey(Key key) = 0;
  // The byte count of a value; false when it is missing or cannot be read.
  virtual bool ValueSize(Key key, const char16_t* name, uint32_t& bytes) = 0;
  // Copies a value into `buffer` of `bytes` capacity and sets `bytes` to its
  // size. Fails, leaving the buffer undefined, when the value is missing or
  // larger than the buffer. The stored type is not checked.
  virtual bool ReadValue(Key key, const char16_t* name, void* buffer, uint32_t& bytes) = 0;
  virtual bool WriteValue(Key key, const char16_t* name, RegType type, const void* data,
                          uint32_t bytes) = 0;
  virtual bool DeleteValue(Key key, const char16_t* name) = 0;
  // Deletes the last component of `subkey`; fails when it has subkeys.
  virtual bool DeleteKey(std::u16string_view subkey) = 0;
};

}  // namespace qptn
