// What the application object needs of the window system: its hidden main
// window, timers, the quit message and the tray menu.
#pragma once

#include <string>
#include <vector>

namespace qptn {

// Command identifiers of the tray menu and of the Exit command between
// notifier instances.
enum CommandId : unsigned {
  kCmdExit = 32771,
  kCmdSettings = 32772,
  kCmdCheckNow = 32774,
  kCmdShowNew = 32785,
  kCmdLaunch = 32787,
  kCmdAccountFirst = 32790,  // account items 32790 to 32799
  kCmdAccountLast = 32799,
};

// Timers of the main window.
enum TimerId : unsigned {
  kTimerPeriodicCheck = 2,
  kTimerFirstCheck = 3,
};

inline constexpr unsigned kFirstCheckDelayMs = 5000;

// Private messages of the main window.
inline constexpr unsigned kMsgPopupFinished = 0x8000 + 12;  // WM_APP + 12
inline constexpr unsigned kMsgTrayCallback = 0x8000 + 100;  // WM_APP + 100

// Mouse and menu notifications that arrive in the tray callback's lParam.
enum TrayNotification : unsigned {
  kTrayContextMenu = 0x007B,   // WM_CONTEXTMENU
  kTrayLeftDown = 0x0201,      // WM_LBUTTONDOWN
  kTrayLeftDouble = 0x0203,    // WM_LBUTTONDBLCLK
  kTrayRightUp = 0x0205,       // WM_RBUTTONUP
};

// The tray menu as it is to be shown: the resource menus give the items,
// this says which are greyed and what the account sub-menu lists.
struct TrayMenu {
  bool busy = false;                    // grey Check, Settings and Show New
  std::vector<std::u16string> accounts; // sub-menu of Launch when two or more
};

class AppPlatform {
 public:
  virtual ~AppPlatform() = default;
  // Registers the window class "QPTN" and creates the hidden main window.
  virtual bool CreateMainWindow(const std::u16string& title) = 0;
  virtual void InitializeCom() = 0;
  // Registers "TaskbarCreated", the message the shell sends when it restarts.
  virtual void RegisterTaskbarCreated() = 0;
  virtual void SetTimer(unsigned id, unsigned milliseconds) = 0;
  virtual void KillTimer(unsigned id) = 0;
  virtual void PostQuit(int exitCode) = 0;
  virtual void ShowTrayMenu(const TrayMenu& menu) = 0;
};

}  // namespace qptn
