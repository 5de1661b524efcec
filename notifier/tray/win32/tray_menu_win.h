// The tray menu on the screen: the menu resources shaped after the portable
// TrayMenu, and tracked at the cursor.
#pragma once

#include <windows.h>

#include "common/win32/handle_win.h"
#include "notifier/tray/tray_menu.h"

namespace qptn {

// Loads the tray menu resources anew and shapes them after `menu`. The
// returned owner holds the menu bar; its first pop-up is what to track.
qp::UniqueMenu BuildTrayMenu(HINSTANCE module, const TrayMenu& menu);

// Shows the menu at the cursor, owned by `window`; the chosen item arrives
// as WM_COMMAND.
void TrackTrayMenu(HINSTANCE module, HWND window, const TrayMenu& menu);

}  // namespace qptn
