#include "notifier/tray/tray_menu.h"

namespace qptn {

TrayMenu DecideTrayMenu(bool busy, const std::vector<std::u16string>& addresses,
                        bool paused) {
  TrayMenu menu;
  if (busy) menu.grayed = {kCmdCheckNow, kCmdSettings, kCmdShowNew};
  if (paused) menu.checked = {kCmdPause};
  if (addresses.size() > 1) {
    for (unsigned id = kCmdAccountFirst; id <= kCmdAccountLast; ++id) {
      const size_t slot = id - kCmdAccountFirst;
      if (slot < addresses.size()) {
        menu.accountItems.push_back({id, addresses[slot]});
      } else {
        menu.unusedAccountItems.push_back(id);
      }
    }
  }
  return menu;
}

}  // namespace qptn
