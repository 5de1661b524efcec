// The class factory of the library's one class, as DllGetClassObject hands it out.
#pragma once

#include <windows.h>

namespace gwax {

// A new factory for CLSID_Gatherwick, which holds the library while it
// lives; CLASS_E_CLASSNOTAVAILABLE for any other class.
HRESULT GetGatherwickClassObject(REFCLSID clsid, REFIID iid, void** object);

}  // namespace gwax
