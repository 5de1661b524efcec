// The application object: a small coordinator. It holds what several rooms
// share (the settings the running program keeps, the account slots, the one
// service client, the flags the threads share and the popup hand-off) and
// passes the main window's events on to the rooms.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "notifier/app/app_platform.h"
#include "notifier/app/email_command.h"
#include "notifier/check/bounded_semaphore.h"
#include "notifier/check/check_settings.h"
#include "notifier/service/soap_client.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/settings.h"
#include "notifier/tray/icon_animation.h"
#include "notifier/tray/tray_status.h"

namespace qptn {

// The one client of every service call of the running notifier, over the
// platform's transport.
using ServiceClient = QPTSoap::CQPTSoapT<QPTSoap::Transport&>;

class QptnT : public EmailCommand {
 public:
  static constexpr unsigned kSlots = kMaxAccounts;

  QptnT(AppPlatform& platform, TrayPort& tray, QPTSoap::Transport& transport);
  // The animation thread has been joined by now (StopAnimation, then the
  // owner's join), so nothing else touches the icon.
  ~QptnT();
  QptnT(const QptnT&) = delete;
  QptnT& operator=(const QptnT&) = delete;

  // Returns true when the message loop shall run.
  bool Startup();
  // The greeting the message loop shows first after "-Hello".
  void Greet() { status_.Greet(); }

  // What the main window receives.
  void OnCommand(unsigned id);
  void OnTrayCallback(unsigned notification);
  void OnTaskbarCreated() { status_.Readd(); }
  void OnPopupFinished() { popupDone_.Release(); }
  // The timers start mail checks, which land with the check room.
  void OnTimer(unsigned /*id*/) {}

  // What the mail check and the message actions show in the tray.
  void RefreshTip();
  void ClearNewMailFlag();
  // `text` null shows nothing unless the service's last fault carries a
  // message for the user; `account` is kNoAccount for no single account.
  void ShowError(unsigned account, const char16_t* text);

  // The animation thread's body, and the stop that lets its owner join it.
  void RunAnimation() { animation_.Run(); }
  void StopAnimation() { animation_.Stop(); }

  // The message actions land with the actions room; the popup and the tray
  // ask for them through EmailCommand.
  void launchMail() override {}
  void openMessage(unsigned, QPTSoapNS::Message*) override {}
  void quickView(unsigned, QPTSoapNS::Message*) override {}
  void reply(unsigned, QPTSoapNS::Message*, bool) override {}
  void forward(unsigned, QPTSoapNS::Message*) override {}
  bool deleteMessage(unsigned, QPTSoapNS::Message*) override { return false; }
  void markRead(unsigned, QPTSoapNS::Message*) override {}
  void markSpam(unsigned, QPTSoapNS::Message*) override {}
  void userActivity() override { ClearNewMailFlag(); }

  // The loaded accounts' addresses, in slot order. These three are read on
  // the window thread, which alone writes what they give, or with the
  // settings lock held.
  std::vector<std::u16string> Addresses() const;
  unsigned AccountCount() const { return accountCount_; }
  const CheckSettings& Settings() const { return settings_; }

  unsigned SelectedAccount() const { return selectedAccount_; }
  bool ShowNewRequested() const { return showNewRequested_; }
  ServiceClient& Soap() { return soap_; }
  const TrayStatus& Status() const { return status_; }
  IconAnimation& Animation() { return animation_; }
  const BoundedSemaphore& PopupDone() const { return popupDone_; }

  // What the mail check reports: whether a check or its popup sequence
  // runs, and the unread total and new-mail state it found.
  void SetChecking(bool checking) { checking_ = checking; }
  void SetPopupBusy(bool busy) { popupBusy_ = busy; }
  void SetUnreadTotal(unsigned total) { unreadTotal_ = total; }
  void SetNewMailFlag() { newMailFlag_ = true; }
  bool NewMailFlag() const { return newMailFlag_; }

 private:
  void LoadAccounts();

  AppPlatform& platform_;

  // Read when the object is made and written back when it goes, in every
  // mode of the program.
  StringSetting host_{u"host", kDefaultHost};
  BoolSetting privateLabel_{u"pl", false};
  StringSetting hostKey_{u"key", u""};

  // The window thread writes the accounts and the check settings with
  // settingsLock_ held, and the check thread reads them holding it. A lock
  // the check takes too (its own, for the queue) comes before this one.
  std::mutex settingsLock_;
  std::array<std::u16string, kSlots> addresses_{};
  std::array<std::u16string, kSlots> passwords_{};
  unsigned accountCount_ = 0;
  bool internalAccount_ = false;  // lowers the shortest check interval
  CheckSettings settings_;

  ServiceClient soap_;
  TrayStatus status_;
  IconAnimation animation_;
  // Released by the window thread when the popup has shown a message; the
  // check thread waits on it before it shows the next.
  BoundedSemaphore popupDone_{0, 1};

  // Read and written by the window, check and popup threads without a lock.
  std::atomic<bool> checking_{false};
  std::atomic<bool> popupBusy_{false};
  std::atomic<bool> timerCheck_{false};        // the running check came from the timer
  std::atomic<bool> showNewRequested_{false};  // the next check was asked for by Show New
  std::atomic<bool> newMailFlag_{false};       // the "You have mail!" state
  std::atomic<unsigned> unreadTotal_{0};
  std::atomic<unsigned> selectedAccount_{0};   // what launchMail opens
};

}  // namespace qptn
