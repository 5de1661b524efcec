#include "control/object/allowed_hosts.h"

#include "control/constants.h"
#include "control/object/host_policy.h"

namespace gwax {

std::vector<std::u16string> ReadAllowedHosts(qp::RegistryPort& registry, const ExpandEnvironment& expand) {
  constexpr uint32_t kLimit = 64 * 1024;
  qp::OpenedKey opened =
      registry.OpenKey(qp::RegistryRoot::kLocalMachine, kPolicyKey, qp::RegistryAccess::kQueryValues);
  if (!opened.status.Ok()) return {};
  qp::RegType type = qp::RegType::kNone;
  uint32_t bytes = 0;
  const auto isText = [](qp::RegType t) {
    return t == qp::RegType::kString || t == qp::RegType::kExpandString || t == qp::RegType::kMultiString;
  };
  if (!opened.key->QueryValue(kAllowedHostsValue, &type, nullptr, bytes).Ok() || !isText(type) ||
      bytes > kLimit) {
    return {};
  }
  // One unit more than the value, so that a value without its terminator
  // still reads whole.
  std::u16string value(bytes / sizeof(char16_t) + 1, u'\0');
  uint32_t got = static_cast<uint32_t>(value.size() * sizeof(char16_t));
  if (!opened.key->QueryValue(kAllowedHostsValue, &type, value.data(), got).Ok() || !isText(type)) {
    return {};
  }
  value.resize(got / sizeof(char16_t));
  if (type == qp::RegType::kExpandString) {
    const size_t terminator = value.find(u'\0');
    if (terminator != std::u16string::npos) value.resize(terminator);
    value = expand(value);
  }
  return ParseAllowedHosts(value);
}

}  // namespace gwax
