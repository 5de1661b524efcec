// Self-registration of the library in HKEY_CLASSES_ROOT, under the system default locale.
#pragma once

#include <windows.h>

namespace gwax {

HRESULT RegisterServer();
HRESULT UnregisterServer();
HRESULT UnregisterOlderServer();

}  // namespace gwax
