#include "control/object/win32/registration_win.h"

#include <oleauto.h>

#include "common/win32/registry_win.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/object/registration.h"
#include "control/object/win32/guids_win.h"
#include "control/object/win32/module_win.h"

namespace gwax {
namespace {

// The platform the library registers its type library for: "win64" for the
// 64-bit library, "win32" for the 32-bit one.
#ifdef _WIN64
constexpr SYSKIND kOwnSysKind = SYS_WIN64;
#else
constexpr SYSKIND kOwnSysKind = SYS_WIN32;
#endif

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
                             kOwnSysKind);
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
  qp::Win32Registry registry;
  TypeLibraryWin typeLibrary;
  return RegisterControl(registry, typeLibrary, ModulePath());
}

HRESULT UnregisterServer() {
  SystemThreadLocale locale;
  qp::Win32Registry registry;
  TypeLibraryWin typeLibrary;
  return UnregisterControl(registry, typeLibrary);
}

HRESULT UnregisterOlderServer() {
  qp::Win32Registry registry;
  return RemoveOlderControl(registry);
}

}  // namespace gwax
