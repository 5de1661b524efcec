#include "notifier/core/win32/tray_menu_win.h"

#include "common/win32/wide_win.h"

namespace qptn {

qp::UniqueMenu BuildTrayMenu(HINSTANCE module, const TrayMenu& menu) {
  qp::UniqueMenu bar(LoadMenuW(module, MAKEINTRESOURCEW(kMenuTray)));
  if (!bar) return bar;
  HMENU popup = GetSubMenu(bar.Get(), 0);
  if (menu.busy) {
    for (UINT id : {kCmdCheckNow, kCmdSettings, kCmdShowNew}) {
      EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
    }
  }
  if (menu.accounts.size() > 1) {
    qp::UniqueMenu accountsBar(LoadMenuW(module, MAKEINTRESOURCEW(kMenuAccounts)));
    HMENU accounts = accountsBar ? GetSubMenu(accountsBar.Get(), 0) : nullptr;
    if (accounts) {
      for (UINT id = kCmdAccountFirst; id <= kCmdAccountLast; ++id) {
        const size_t index = id - kCmdAccountFirst;
        if (index < menu.accounts.size()) {
          ModifyMenuW(accounts, id, MF_BYCOMMAND | MF_STRING, id, qp::Wide(menu.accounts[index]));
        } else {
          DeleteMenu(accounts, id, MF_BYCOMMAND);
        }
      }
      // Detach the pop-up from its own bar first: once attached below, the
      // tray menu's bar owns it and destroys it.
      RemoveMenu(accountsBar.Get(), 0, MF_BYPOSITION);
      ModifyMenuW(popup, kCmdLaunch, MF_BYCOMMAND | MF_POPUP | MF_STRING,
                  reinterpret_cast<UINT_PTR>(accounts), L"Launch Quillpost");
    }
  }
  return bar;
}

void TrackTrayMenu(HINSTANCE module, HWND window, const TrayMenu& menu) {
  qp::UniqueMenu bar = BuildTrayMenu(module, menu);
  if (!bar) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close on a click elsewhere.
  HWND foreground = GetForegroundWindow();
  bool ours = false;
  for (HWND w = window; w != nullptr; w = GetParent(w)) {
    if (w == foreground) ours = true;
  }
  if (!ours) SetForegroundWindow(GetAncestor(window, GA_ROOTOWNER));
  TrackPopupMenu(GetSubMenu(bar.Get(), 0), TPM_CENTERALIGN, cursor.x, cursor.y, 0, window,
                 nullptr);
}

}  // namespace qptn
