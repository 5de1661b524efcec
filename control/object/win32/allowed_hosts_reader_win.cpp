#include "control/object/win32/allowed_hosts_reader_win.h"

#include "common/win32/registry_win.h"
#include "control/object/allowed_hosts.h"

namespace gwax {

std::vector<std::u16string> ReadExtraAllowedHosts() {
  qp::Win32Registry registry;
  return ReadAllowedHosts(registry);
}

}  // namespace gwax
