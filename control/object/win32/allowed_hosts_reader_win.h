// Reads the hosts an administrator allows besides the product's domain from the registry.
#pragma once

#include <string>
#include <vector>

namespace gwax {

// HKEY_LOCAL_MACHINE\Software\Vantrell\GatherwickAX, value "AllowedHosts"
// (constants.h), REG_EXPAND_SZ expanded, parsed by ParseAllowedHosts;
// empty when the value is missing or unreadable.
std::vector<std::u16string> ReadExtraAllowedHosts();

}  // namespace gwax
