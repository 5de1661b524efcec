#include "control/object/win32/module_win.h"

#include <atomic>

#include "common/win32/wide_win.h"
#include "control/object/win32/guids_win.h"

namespace gwax {
namespace {

std::atomic<long> g_moduleCount{0};

HRESULT LoadTypeInfo(REFGUID guid, ITypeInfo** info) {
  const std::u16string path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  qp::ComPtr<ITypeLib> library;
  const HRESULT hr = LoadTypeLibEx(qp::Wide(path), REGKIND_NONE, library.Put());
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(guid, info);
}

HRESULT LoadInterfaceTypeInfo(ITypeInfo** info) { return LoadTypeInfo(IID_IGatherwick, info); }
HRESULT LoadClassTypeInfo(ITypeInfo** info) { return LoadTypeInfo(CLSID_Gatherwick, info); }

}  // namespace

HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
  return module;
}

std::u16string ModulePath() {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(ModuleInstance(), reinterpret_cast<wchar_t*>(&path[0]),
                                       static_cast<DWORD>(path.size()));
    if (n == 0) return std::u16string();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void ModuleAddRef() { ++g_moduleCount; }
void ModuleRelease() { --g_moduleCount; }
bool ModuleInUse() { return g_moduleCount.load() != 0; }

// Never destroyed: at process exit the system's libraries may be gone
// before this one, so only an unload by FreeLibrary lets go of them
// (ReleaseTypeInfo, from DllMain).
qp::TypeInfoCache& InterfaceTypeInfo() {
  static auto* cache = new qp::TypeInfoCache(&LoadInterfaceTypeInfo);
  return *cache;
}

qp::TypeInfoCache& ClassTypeInfo() {
  static auto* cache = new qp::TypeInfoCache(&LoadClassTypeInfo);
  return *cache;
}

void ReleaseTypeInfo() {
  InterfaceTypeInfo().Reset();
  ClassTypeInfo().Reset();
}

}  // namespace gwax
