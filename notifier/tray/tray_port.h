// The notification-area icon as the portable code sees it: its operations,
// its icons and the mouse notifications its callback message carries.
#pragma once

#include <string>

#include "notifier/resources/resource.h"

namespace qptn {

// Icon resources of the tray states.
enum IconId : int {
  kIconApplication = IDI_APPLICATION_QP,
  kIconNoMail = IDI_NO_MAIL,
  kIconUnread = IDI_UNREAD,
  kIconNewMail = IDI_NEW_MAIL,
  kIconCheckFirst = IDI_CHECK_1,  // the animation frames, in order
  kIconCheckLast = IDI_CHECK_5,
};

// The message the icon sends to the main window (WM_APP + 100).
inline constexpr unsigned kMsgTrayCallback = 0x8000 + 100;

// Mouse and menu notifications that arrive in the tray callback's lParam.
enum TrayNotification : unsigned {
  kTrayContextMenu = 0x007B,   // WM_CONTEXTMENU
  kTrayLeftDown = 0x0201,      // WM_LBUTTONDOWN
  kTrayLeftDouble = 0x0203,    // WM_LBUTTONDBLCLK
  kTrayRightUp = 0x0205,       // WM_RBUTTONUP
};

class TrayPort {
 public:
  virtual ~TrayPort() = default;
  virtual void Add(int iconId) = 0;
  virtual void SetIcon(int iconId) = 0;
  virtual void SetTip(const std::u16string& text) = 0;
  virtual void Balloon(const std::u16string& text, bool error) = 0;
  virtual void Remove() = 0;
};

}  // namespace qptn
