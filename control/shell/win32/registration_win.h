// Self-registration of the library in HKEY_CLASSES_ROOT, with the system
// default locale as the thread locale for its duration.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gwax {

HRESULT RegisterServer();
HRESULT UnregisterServer();
HRESULT UnregisterOlderServer();

// Hosts the administrator allows besides the product's domain (see
// constants.h); empty when the value is missing or unreadable.
std::vector<std::u16string> ReadExtraAllowedHosts();

}  // namespace gwax
