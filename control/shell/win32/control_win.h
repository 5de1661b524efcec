// The control object (coclass Gatherwick) and its class factory.
#pragma once

#include <windows.h>

namespace gwax {

// DllGetClassObject's answer for this library's one class.
HRESULT GetGatherwickClassObject(REFCLSID clsid, REFIID iid, void** object);

// Unregisters the control window's class; the library calls it before it
// is unloaded, so that a later load registers its own procedure again.
void ReleaseControlWindowClass();

}  // namespace gwax
