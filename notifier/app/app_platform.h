// What the application object needs of the window system: its hidden main
// window, timers, the quit message and the tray menu.
#pragma once

#include <string>

#include "notifier/check/check_timers.h"
#include "notifier/tray/tray_menu.h"

namespace qptn {

// The popup has finished showing a message (WM_APP + 12).
inline constexpr unsigned kMsgPopupFinished = 0x8000 + 12;

class AppPlatform : public TimerPort {
 public:
  virtual ~AppPlatform() = default;
  // Registers the window class "QPTN" and creates the hidden main window.
  virtual bool CreateMainWindow(const std::u16string& title) = 0;
  virtual void InitializeCom() = 0;
  // Registers "TaskbarCreated", the message the shell sends when it restarts.
  virtual void RegisterTaskbarCreated() = 0;
  // Creates the hidden popup window, after COM; `hideLogo` leaves out the
  // vendor's logo and its link.
  virtual void CreatePopup(bool hideLogo) = 0;
  virtual void PostQuit(int exitCode) = 0;
  virtual void ShowTrayMenu(const TrayMenu& menu) = 0;
};

}  // namespace qptn
