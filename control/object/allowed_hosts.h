// The hosts an administrator allows besides the product's domain, as the registry holds them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/registry.h"

namespace gwax {

// Replaces %NAME% references by the environment's values (the system's
// expansion of REG_EXPAND_SZ values).
using ExpandEnvironment = std::function<std::u16string(std::u16string_view)>;

// The value kAllowedHostsValue of kPolicyKey below the local machine
// (constants.h), REG_SZ, REG_EXPAND_SZ (expanded) or REG_MULTI_SZ of at
// most 64 KiB, parsed by ParseAllowedHosts. Empty when the value is
// missing, of another type, larger or unreadable.
std::vector<std::u16string> ReadAllowedHosts(qp::RegistryPort& registry, const ExpandEnvironment& expand);

}  // namespace gwax
