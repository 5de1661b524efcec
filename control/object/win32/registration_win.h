// Self-registration of the library in HKEY_CLASSES_ROOT, with the system
// default locale as the thread locale for its duration.
#pragma once

#include <windows.h>

namespace gwax {

HRESULT RegisterServer();
HRESULT UnregisterServer();
HRESULT UnregisterOlderServer();

}  // namespace gwax
