#include "notifier/settings/win32/registry_win.h"

#include <windows.h>

#include <string>

#include "common/win32/wide_win.h"

namespace qptn {
namespace {

HKEY AsKey(RegistryPort::Key key) { return static_cast<HKEY>(key); }

}  // namespace

RegistryPort::Key Win32Registry::CreateKey(std::u16string_view subkey) {
  const std::u16string path(subkey);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, qp::Wide(path), 0,
                      nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

void Win32Registry::CloseKey(Key key) {
  if (key != nullptr) RegCloseKey(AsKey(key));
}

bool Win32Registry::ValueSize(Key key, const char16_t* name, uint32_t& bytes) {
  DWORD size = 0;
  if (RegQueryValueExW(AsKey(key), qp::Wide(name), nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  bytes = size;
  return true;
}

bool Win32Registry::ReadValue(Key key, const char16_t* name, void* buffer, uint32_t& bytes) {
  DWORD size = bytes;
  const LONG status = RegQueryValueExW(AsKey(key), qp::Wide(name), nullptr, nullptr,
                                       static_cast<BYTE*>(buffer), &size);
  bytes = size;
  return status == ERROR_SUCCESS;
}

bool Win32Registry::WriteValue(Key key, const char16_t* name, RegType type, const void* data,
                             uint32_t bytes) {
  return RegSetValueExW(AsKey(key), qp::Wide(name), 0, static_cast<DWORD>(type),
                        static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteValue(Key key, const char16_t* name) {
  return RegDeleteValueW(AsKey(key), qp::Wide(name)) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteKey(std::u16string_view subkey) {
  const std::u16string path(subkey);
  return RegDeleteKeyW(HKEY_CURRENT_USER, qp::Wide(path)) ==
         ERROR_SUCCESS;
}

}  // namespace qptn
