// The tray menu: the commands of its items, and the menu as it is to be
// shown, decided from whether a check runs and which accounts are loaded.
// The Win32 side only turns this into menu calls on the menu resources.
#pragma once

#include <string>
#include <vector>

#include "notifier/resources/resource.h"

namespace qptn {

// The items' commands, which arrive at the main window; Exit is also what
// one notifier instance sends another.
enum CommandId : unsigned {
  kCmdExit = ID_EXIT,
  kCmdSettings = ID_SETTINGS,
  kCmdCheckNow = ID_CHECK_NOW,
  kCmdShowNew = ID_SHOW_NEW,
  kCmdLaunch = ID_LAUNCH,
  kCmdPause = ID_PAUSE,  // "Pause notifications for 1 hour", checked while paused
  kCmdAccountFirst = ID_ACCOUNT_0,  // the account items, one per slot of the sub-menu
  kCmdAccountLast = ID_ACCOUNT_9,
};

struct AccountItem {
  unsigned id;
  std::u16string address;
};

struct TrayMenu {
  // Items shown greyed, and items shown checked.
  std::vector<unsigned> grayed;
  std::vector<unsigned> checked;
  // Empty: "Launch Quillpost" stays a command. Otherwise it becomes a
  // sub-menu of these items, in slot order.
  std::vector<AccountItem> accountItems;
  // The sub-menu's placeholders that no account uses, to be removed.
  std::vector<unsigned> unusedAccountItems;
};

// While a check or its popup sequence runs (`busy`), Check Email Now,
// Settings and Show New Email are greyed. With two or more loaded accounts
// (`addresses`, in slot order) Launch lists their addresses. While the
// announcements are paused, the pause item is checked.
TrayMenu DecideTrayMenu(bool busy, const std::vector<std::u16string>& addresses,
                        bool paused = false);

}  // namespace qptn
