#pragma once

#include <windows.h>

#include "common/win32/handle_win.h"
#include "notifier/core/app_platform.h"

namespace qptn {

// Resource ids of the tray menus.
inline constexpr int kMenuTray = 129;
inline constexpr int kMenuAccounts = 161;

// Loads the tray menu resources anew and shapes them after `menu`. The
// returned owner holds the menu bar; its first pop-up is what to track.
qp::UniqueMenu BuildTrayMenu(HINSTANCE module, const TrayMenu& menu);

// Shows the menu at the cursor, owned by `window`; the chosen item arrives
// as WM_COMMAND.
void TrackTrayMenu(HINSTANCE module, HWND window, const TrayMenu& menu);

}  // namespace qptn
