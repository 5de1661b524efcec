// The hosts an administrator allows besides the product's domain, as the registry holds them.
#pragma once

#include <string>
#include <vector>

#include "common/registry.h"

namespace gwax {

// The value kAllowedHostsValue of kPolicyKey below the local machine
// (constants.h), REG_SZ or REG_MULTI_SZ of at most 64 KiB, parsed by
// ParseAllowedHosts. Empty when the value is missing, of another type,
// larger or unreadable.
std::vector<std::u16string> ReadAllowedHosts(qp::RegistryPort& registry);

}  // namespace gwax
