#include "control/shell/win32/module_win.h"

#include <atomic>
#include <mutex>

#include "common/win32/wide_win.h"

namespace gwax {
namespace {

std::atomic<long> g_moduleCount{0};
std::mutex g_typeLibMutex;
ITypeLib* g_typeLib = nullptr;

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

HRESULT GatherwickTypeLibrary(ITypeLib** library) {
  if (!library) return E_POINTER;
  *library = nullptr;
  std::lock_guard<std::mutex> lock(g_typeLibMutex);
  if (!g_typeLib) {
    const std::u16string path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    const HRESULT hr = LoadTypeLibEx(qp::Wide(path), REGKIND_NONE, &g_typeLib);
    if (FAILED(hr)) return hr;
  }
  g_typeLib->AddRef();
  *library = g_typeLib;
  return S_OK;
}

HRESULT GatherwickTypeInfo(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ITypeLib* library = nullptr;
  HRESULT hr = GatherwickTypeLibrary(&library);
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(guid, info);
  library->Release();
  return hr;
}

void ReleaseTypeLibrary() {
  std::lock_guard<std::mutex> lock(g_typeLibMutex);
  if (g_typeLib) {
    g_typeLib->Release();
    g_typeLib = nullptr;
  }
}

}  // namespace gwax
