#include "control/object/win32/registration_win.h"

#include <oleauto.h>

#include "common/win32/registry_key_win.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/object/registration.h"
#include "control/object/win32/guids_win.h"
#include "control/object/win32/module_win.h"

namespace gwax {
namespace {

class ClassesRootWin : public ClassesRootPort {
 public:
  qp::Result SetString(std::u16string_view key, std::u16string_view name,
                   std::u16string_view value) override {
    qp::UniqueRegKey opened;
    LONG rc = Create(key, opened);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    const std::u16string valueName(name), data(value);
    rc = RegSetValueExW(opened.Get(), name.empty() ? nullptr : qp::Wide(valueName), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(char16_t)));
    return HRESULT_FROM_WIN32(rc);
  }

  qp::Result CreateKey(std::u16string_view key) override {
    qp::UniqueRegKey opened;
    return HRESULT_FROM_WIN32(Create(key, opened));
  }

  qp::Result DeleteTree(std::u16string_view key) override {
    const std::u16string path(key);
    const LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, qp::Wide(path));
    if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    // RegDeleteTreeW empties the key; the key itself goes too.
    const LONG gone = RegDeleteKeyW(HKEY_CLASSES_ROOT, qp::Wide(path));
    return gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(gone);
  }

 private:
  static LONG Create(std::u16string_view key, qp::UniqueRegKey& out) {
    const std::u16string path(key);
    HKEY opened = nullptr;
    const LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, qp::Wide(path), 0, nullptr, 0,
                                    KEY_SET_VALUE, nullptr, &opened, nullptr);
    out.Reset(rc == ERROR_SUCCESS ? opened : nullptr);
    return rc;
  }
};

class TypeLibraryWin : public TypeLibraryPort {
 public:
  qp::Result Register() override {
    const std::u16string path = ModulePath();
    qp::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(qp::Wide(path), REGKIND_NONE, library.Put());
    if (FAILED(hr)) return hr;
    return RegisterTypeLib(library.Get(), const_cast<LPOLESTR>(qp::Wide(path)), nullptr);
  }
  qp::Result Unregister() override {
    return UnRegisterTypeLib(LIBID_GatherwickAXLib, kTypeLibMajor, kTypeLibMinor, kTypeLibLocale,
                             SYS_WIN64);
  }
};

// Registration runs under the system default locale and restores the
// caller's afterwards.
class SystemThreadLocale {
 public:
  SystemThreadLocale() : previous_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
  ~SystemThreadLocale() { SetThreadLocale(previous_); }
  SystemThreadLocale(const SystemThreadLocale&) = delete;
  SystemThreadLocale& operator=(const SystemThreadLocale&) = delete;

 private:
  LCID previous_;
};

}  // namespace

HRESULT RegisterServer() {
  SystemThreadLocale locale;
  ClassesRootWin root;
  TypeLibraryWin typeLibrary;
  return RegisterControl(root, typeLibrary, ModulePath());
}

HRESULT UnregisterServer() {
  SystemThreadLocale locale;
  ClassesRootWin root;
  TypeLibraryWin typeLibrary;
  return UnregisterControl(root, typeLibrary);
}

HRESULT UnregisterOlderServer() {
  ClassesRootWin root;
  return RemoveOlderControl(root);
}

}  // namespace gwax
