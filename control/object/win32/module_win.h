// Process-wide state of the control library: its module, live objects and type information.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/com_object_win.h"

namespace gwax {

// The module that holds this code and its resources: the DLL, or the test
// program that links the code directly.
HINSTANCE ModuleInstance();
std::u16string ModulePath();

// Live objects and server locks; DllCanUnloadNow answers S_OK at zero.
void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// Counts one live object of the library for as long as it exists; each
// COM object of the library holds one.
class ModuleReference {
 public:
  ModuleReference() { ModuleAddRef(); }
  ~ModuleReference() { ModuleRelease(); }
  ModuleReference(const ModuleReference&) = delete;
  ModuleReference& operator=(const ModuleReference&) = delete;
};

// Type information of IGatherwick and of its coclass, from the type library
// embedded as TYPELIB 1, loaded once.
qp::TypeInfoCache& InterfaceTypeInfo();
qp::TypeInfoCache& ClassTypeInfo();
// Lets go of both before the library is unloaded.
void ReleaseTypeInfo();

}  // namespace gwax
