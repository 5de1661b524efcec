// Process-wide state of the control library: its module, its object and
// lock count, and its type library.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace gwax {

// The module that holds this code and its resources: the DLL, or the test
// program that links the code directly.
HINSTANCE ModuleInstance();
std::u16string ModulePath();

// Live objects and server locks; DllCanUnloadNow answers S_OK at zero.
void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// Type information for `guid` from the type library embedded as TYPELIB 1,
// loaded once and kept while the module is loaded.
HRESULT GatherwickTypeInfo(REFGUID guid, ITypeInfo** info);
HRESULT GatherwickTypeLibrary(ITypeLib** library);
void ReleaseTypeLibrary();

}  // namespace gwax
