#include "notifier/tray/win32/tray_menu_win.h"

#include "common/win32/wide_win.h"
#include "notifier/resources/resource.h"

namespace qptn {
namespace {

// The account sub-menu of the resources with the model's items, detached
// from its own menu bar; null when there is none to attach.
HMENU AccountSubMenu(HINSTANCE module, const TrayMenu& menu) {
  qp::UniqueMenu bar(LoadMenuW(module, MAKEINTRESOURCEW(IDR_ACCOUNT_MENU)));
  HMENU accounts = bar ? GetSubMenu(bar.Get(), 0) : nullptr;
  if (accounts == nullptr) return nullptr;
  for (const AccountItem& item : menu.accountItems) {
    ModifyMenuW(accounts, item.id, MF_BYCOMMAND | MF_STRING, item.id, qp::Wide(item.address));
  }
  for (unsigned id : menu.unusedAccountItems) DeleteMenu(accounts, id, MF_BYCOMMAND);
  // Once attached, the tray menu's bar owns the pop-up and destroys it.
  RemoveMenu(bar.Get(), 0, MF_BYPOSITION);
  return accounts;
}

}  // namespace

qp::UniqueMenu BuildTrayMenu(HINSTANCE module, const TrayMenu& menu) {
  qp::UniqueMenu bar(LoadMenuW(module, MAKEINTRESOURCEW(IDR_TRAY_MENU)));
  if (!bar) return bar;
  HMENU popup = GetSubMenu(bar.Get(), 0);
  for (unsigned id : menu.grayed) EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
  for (unsigned id : menu.checked) CheckMenuItem(popup, id, MF_BYCOMMAND | MF_CHECKED);
  if (!menu.accountItems.empty()) {
    if (HMENU accounts = AccountSubMenu(module, menu)) {
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
