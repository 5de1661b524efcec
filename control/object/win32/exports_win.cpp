// The library's four entry points.
#include <windows.h>

#include "control/object/win32/class_factory_win.h"
#include "control/object/win32/control_window_win.h"
#include "control/object/win32/module_win.h"
#include "control/object/win32/registration_win.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded by FreeLibrary, not by process exit: nothing of ours may
    // stay behind that points into the unloaded code.
    gwax::ReleaseControlWindowClass();
    gwax::ReleaseTypeInfo();
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return gwax::GetGatherwickClassObject(clsid, iid, object);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return gwax::ModuleInUse() ? S_FALSE : S_OK; }

extern "C" HRESULT WINAPI DllRegisterServer() { return gwax::RegisterServer(); }

extern "C" HRESULT WINAPI DllUnregisterServer() { return gwax::UnregisterServer(); }
