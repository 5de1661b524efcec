// The registry port: owned open keys below three roots and typed named
// values, with results that carry the system's error code.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "common/hresult.h"

namespace qp {

enum class RegistryRoot { kCurrentUser, kClassesRoot, kLocalMachine };

// What an open key allows; anything else on it is refused with
// RegStatus::kAccessDenied.
enum class RegistryAccess { kQueryValues, kSetValues, kAll };

// Value types, numbered as the system numbers them.
enum class RegType : uint32_t {
  kNone = 0,
  kString = 1,
  kExpandString = 2,
  kBinary = 3,
  kDword = 4,
  kMultiString = 7,
};

// The outcome of one registry call: the system's error code, 0 on success.
class RegStatus {
 public:
  static constexpr uint32_t kSuccess = 0;
  static constexpr uint32_t kFileNotFound = 2;       // no such key or value
  static constexpr uint32_t kAccessDenied = 5;       // refused, or a key with subkeys
  static constexpr uint32_t kInvalidParameter = 87;
  static constexpr uint32_t kMoreData = 234;         // the buffer is too small
  static constexpr uint32_t kKeyDeleted = 1018;      // the open key was deleted

  constexpr RegStatus() = default;
  constexpr explicit RegStatus(uint32_t code) : code_(code) {}

  constexpr bool Ok() const { return code_ == kSuccess; }
  constexpr uint32_t Code() const { return code_; }
  // The code as a result, the way the system's HRESULT_FROM_WIN32 makes one.
  constexpr Result AsResult() const {
    return code_ == kSuccess ? kOk : static_cast<Result>((code_ & 0xFFFFu) | 0x80070000u);
  }

  friend constexpr bool operator==(RegStatus a, RegStatus b) { return a.code_ == b.code_; }
  friend constexpr bool operator!=(RegStatus a, RegStatus b) { return a.code_ != b.code_; }

 private:
  uint32_t code_ = kSuccess;
};

// An open key; destroying the object closes it. `name` null is the key's
// default value.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // With `data` null, only the size of the value. Otherwise its bytes into
  // `data`, which has room for `bytes`. Either way `bytes` becomes the
  // value's size, also when it did not fit (kMoreData; `data` is undefined
  // then), and `type`, unless null, its stored type.
  virtual RegStatus QueryValue(const char16_t* name, RegType* type, void* data,
                               uint32_t& bytes) = 0;
  virtual RegStatus SetValue(const char16_t* name, RegType type, const void* data,
                             uint32_t bytes) = 0;
  virtual RegStatus DeleteValue(const char16_t* name) = 0;

 protected:
  RegistryKey() = default;
};

struct OpenedKey {
  RegStatus status;
  std::unique_ptr<RegistryKey> key;  // null unless the status is Ok
};

// Paths are below the root, with backslashes, compared without regard to
// letter case.
class RegistryPort {
 public:
  virtual ~RegistryPort() = default;
  // Opens the key, creating it and its missing parents first.
  virtual OpenedKey CreateKey(RegistryRoot root, std::u16string_view path,
                              RegistryAccess access) = 0;
  // Opens a key that exists; kFileNotFound when it does not.
  virtual OpenedKey OpenKey(RegistryRoot root, std::u16string_view path,
                            RegistryAccess access) = 0;
  // Deletes a key without subkeys; kAccessDenied when it has some.
  virtual RegStatus DeleteKey(RegistryRoot root, std::u16string_view path) = 0;
  // Deletes a key with everything below it; kFileNotFound when it is missing.
  virtual RegStatus DeleteTree(RegistryRoot root, std::u16string_view path) = 0;
};

}  // namespace qp
