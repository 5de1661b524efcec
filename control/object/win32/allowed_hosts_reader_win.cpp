#include "control/object/win32/allowed_hosts_reader_win.h"

#include "common/win32/registry_key_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/object/host_policy.h"

namespace gwax {

std::vector<std::u16string> ReadExtraAllowedHosts() {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, qp::Wide(kPolicyKey), 0, KEY_QUERY_VALUE, &opened) !=
      ERROR_SUCCESS) {
    return {};
  }
  qp::UniqueRegKey key(opened);
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key.Get(), qp::Wide(kAllowedHostsValue), nullptr, &type, nullptr, &bytes) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_MULTI_SZ) || bytes > 64 * 1024) {
    return {};
  }
  std::u16string value(bytes / sizeof(char16_t) + 1, u'\0');
  DWORD got = static_cast<DWORD>(value.size() * sizeof(char16_t));
  if (RegQueryValueExW(key.Get(), qp::Wide(kAllowedHostsValue), nullptr, &type,
                       reinterpret_cast<BYTE*>(&value[0]), &got) != ERROR_SUCCESS) {
    return {};
  }
  value.resize(got / sizeof(char16_t));
  return ParseAllowedHosts(value);
}

}  // namespace gwax
