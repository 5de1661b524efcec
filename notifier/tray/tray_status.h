// What the tray icon says at rest: the tooltip and resting icon for the
// unread count and the new-mail state, and the balloons. It decides and
// tells the TrayPort; the counts and flags it decides from are the
// application object's.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "notifier/service/soap_fault.h"
#include "notifier/tray/tray_port.h"

namespace qptn {

// Passed to ShowError by callers that concern no single account.
inline constexpr unsigned kNoAccount = 999;
// The most characters of an error balloon's text, as its buffer holds them.
inline constexpr unsigned kBalloonTextLimit = 1023;

class TrayStatus {
 public:
  explicit TrayStatus(TrayPort& tray) : tray_(tray) {}
  TrayStatus(const TrayStatus&) = delete;
  TrayStatus& operator=(const TrayStatus&) = delete;

  // The icon enters the notification area, showing no mail.
  void Add();
  // The shell restarted: its new taskbar knows no icon of ours.
  void Readd() { tray_.Add(currentIcon_); }
  // Shows the resting icon, as when an animation has stopped.
  void ShowCurrentIcon() { tray_.SetIcon(currentIcon_); }
  void Remove() { tray_.Remove(); }
  // The greeting after "-Hello".
  void Greet();

  // The tooltip and the resting icon for `unreadTotal` unread messages.
  // While the icon `animating`, only the resting icon changes, not what shows.
  void Refresh(unsigned unreadTotal, bool newMail, bool animating);

  // An error balloon, unless the check that failed was started by the
  // periodic timer (`timerCheck`). A client fault's message for the user
  // replaces `text`; `text` null shows nothing without one. With several
  // accounts (`addresses`, the loaded ones in slot order) the address of
  // `account` heads the text.
  void ShowError(bool timerCheck, const QPTSoap::SoapFault& lastFault,
                 const std::vector<std::u16string>& addresses, unsigned account,
                 const char16_t* text);

  // The icon to show when no animation runs.
  int CurrentIcon() const { return currentIcon_; }

 private:
  TrayPort& tray_;
  // Set on the check thread and the window thread.
  std::atomic<int> currentIcon_{kIconNoMail};
};

}  // namespace qptn
