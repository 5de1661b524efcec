// What the mail check needs of the rest of the notifier: tray, popup, sound, accounts, worker.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "notifier/check/check_settings.h"
#include "notifier/check/mail_service.h"
#include "notifier/check/message_queue.h"

namespace qptn {

// The tray as the check uses it.
class CheckTray {
 public:
  virtual ~CheckTray() = default;
  // The icon animates from now on: the animation's gate opens and the icon
  // steps once at once.
  virtual void BeginAnimation() = 0;
  // The gate closes, the animation stops and the resting icon shows.
  virtual void EndAnimation() = 0;
  // Tooltip and resting icon for the unread count and the new-mail state.
  virtual void RefreshTip(unsigned unreadTotal, bool newMail) = 0;
  // An error balloon (nothing for a check the periodic timer started).
  virtual void ShowError(bool timerCheck, unsigned account, const std::u16string& text,
                         const QPTSoap::SoapFault& fault) = 0;
};

// The popup. Both calls come from the check thread and return at once; the
// popup reports the end of each showing through MailCheck::OnPopupFinished,
// after it has set `*deleted` or `*previous` when the user deleted the
// message or asked for the previous one. `message` lives until then.
class PopupPort {
 public:
  virtual ~PopupPort() = default;
  // `to` is the account's address when several accounts are configured.
  virtual void ShowMessage(unsigned account, const std::optional<std::u16string>& to,
                           QueuedMessage& message, bool isFirst, bool isLast, bool* deleted,
                           bool* previous) = 0;
  virtual void ShowSummary(unsigned count) = 0;
  virtual void SetDisplayTime(unsigned milliseconds) = 0;
};

class SoundPort {
 public:
  virtual ~SoundPort() = default;
  // The system sound "MailBeep", to its end.
  virtual void PlayMailBeep() = 0;
};

// The accounts and settings the application object keeps. The window
// thread changes them holding SettingsLock(); the check reads them holding
// it too, after its own lock.
class CheckAccounts {
 public:
  virtual ~CheckAccounts() = default;
  virtual std::mutex& SettingsLock() = 0;
  // The rest with the lock held (or on the window thread, which alone
  // changes them).
  virtual unsigned Count() = 0;
  virtual Credentials Account(unsigned slot) = 0;
  virtual std::u16string HostKey() = 0;
  virtual CheckSettings Settings() = 0;
  // Loads the stored accounts and settings again.
  virtual void Reload() = 0;
};

// Runs the check on a thread of its own.
class CheckWorker {
 public:
  virtual ~CheckWorker() = default;
  // Joins a body that ran before, then starts `body`; false when no thread
  // could be made.
  virtual bool Start(std::function<void()> body) = 0;
  // Waits for the body started last to end.
  virtual void Join() = 0;
};

// The settings dialog, run modally on the window thread.
class SettingsDialogPort {
 public:
  virtual ~SettingsDialogPort() = default;
  virtual void Run() = 0;
};

// The update check, on the window thread: true when an update started.
class UpdatePort {
 public:
  virtual ~UpdatePort() = default;
  virtual bool CheckForUpdate() = 0;
};

}  // namespace qptn
