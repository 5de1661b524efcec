#include "common/win32/registry_win.h"

#include <windows.h>

#include <string>

#include "common/win32/registry_key_win.h"
#include "common/win32/wide_win.h"

namespace qp {

static_assert(RegStatus::kFileNotFound == ERROR_FILE_NOT_FOUND &&
                  RegStatus::kAccessDenied == ERROR_ACCESS_DENIED &&
                  RegStatus::kInvalidParameter == ERROR_INVALID_PARAMETER &&
                  RegStatus::kMoreData == ERROR_MORE_DATA &&
                  RegStatus::kKeyDeleted == ERROR_KEY_DELETED,
              "the portable error codes are the system's");
static_assert(static_cast<DWORD>(RegType::kString) == REG_SZ &&
                  static_cast<DWORD>(RegType::kExpandString) == REG_EXPAND_SZ &&
                  static_cast<DWORD>(RegType::kBinary) == REG_BINARY &&
                  static_cast<DWORD>(RegType::kDword) == REG_DWORD &&
                  static_cast<DWORD>(RegType::kMultiString) == REG_MULTI_SZ,
              "the portable value types are the system's");

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kCurrentUser: break;
  }
  return HKEY_CURRENT_USER;
}

REGSAM Rights(RegistryAccess access) {
  switch (access) {
    case RegistryAccess::kQueryValues: return KEY_QUERY_VALUE;
    case RegistryAccess::kSetValues: return KEY_SET_VALUE;
    case RegistryAccess::kAll: break;
  }
  return KEY_ALL_ACCESS;
}

RegStatus StatusOf(LONG code) { return RegStatus(static_cast<uint32_t>(code)); }

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}

  RegStatus QueryValue(const char16_t* name, RegType* type, void* data,
                       uint32_t& bytes) override {
    DWORD stored = 0;
    DWORD size = bytes;
    const LONG code = RegQueryValueExW(key_.Get(), Wide(name), nullptr, &stored,
                                       static_cast<BYTE*>(data), &size);
    if (code == ERROR_SUCCESS || code == ERROR_MORE_DATA) {
      bytes = size;
      if (type) *type = static_cast<RegType>(stored);
    }
    return StatusOf(code);
  }

  RegStatus SetValue(const char16_t* name, RegType type, const void* data,
                     uint32_t bytes) override {
    return StatusOf(RegSetValueExW(key_.Get(), Wide(name), 0, static_cast<DWORD>(type),
                                   static_cast<const BYTE*>(data), bytes));
  }

  RegStatus DeleteValue(const char16_t* name) override {
    return StatusOf(RegDeleteValueW(key_.Get(), Wide(name)));
  }

 private:
  UniqueRegKey key_;
};

OpenedKey Opened(LONG code, HKEY key) {
  if (code != ERROR_SUCCESS) return {StatusOf(code), nullptr};
  return {RegStatus(), std::make_unique<Win32RegistryKey>(key)};
}

}  // namespace

OpenedKey Win32Registry::CreateKey(RegistryRoot root, std::u16string_view path,
                                   RegistryAccess access) {
  const std::u16string subkey(path);
  HKEY key = nullptr;
  const LONG code = RegCreateKeyExW(RootKey(root), Wide(subkey), 0, nullptr, 0, Rights(access),
                                    nullptr, &key, nullptr);
  return Opened(code, key);
}

OpenedKey Win32Registry::OpenKey(RegistryRoot root, std::u16string_view path,
                                 RegistryAccess access) {
  const std::u16string subkey(path);
  HKEY key = nullptr;
  const LONG code = RegOpenKeyExW(RootKey(root), Wide(subkey), 0, Rights(access), &key);
  return Opened(code, key);
}

RegStatus Win32Registry::DeleteKey(RegistryRoot root, std::u16string_view path) {
  const std::u16string subkey(path);
  return StatusOf(RegDeleteKeyW(RootKey(root), Wide(subkey)));
}

RegStatus Win32Registry::DeleteTree(RegistryRoot root, std::u16string_view path) {
  const std::u16string subkey(path);
  const LONG code = RegDeleteTreeW(RootKey(root), Wide(subkey));
  if (code != ERROR_SUCCESS) return StatusOf(code);
  // Some versions only empty the key; it goes too.
  const LONG gone = RegDeleteKeyW(RootKey(root), Wide(subkey));
  return gone == ERROR_FILE_NOT_FOUND ? RegStatus() : StatusOf(gone);
}

}  // namespace qp
