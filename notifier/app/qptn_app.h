// The application object: a small coordinator. It holds what several rooms
// share (the settings the running program keeps, the account slots, the one
// service client) and passes the main window's events on to the rooms.
#pragma once

#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "notifier/actions/message_actions.h"
#include "notifier/app/app_platform.h"
#include "notifier/app/email_command.h"
#include "notifier/check/check_ports.h"
#include "notifier/check/check_settings.h"
#include "notifier/check/mail_check.h"
#include "notifier/check/mail_service.h"
#include "notifier/check/update_check.h"
#include "notifier/service/shared_client.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/settings.h"
#include "notifier/tray/icon_animation.h"
#include "notifier/tray/tray_status.h"

namespace qptn {

using QPTSoap::ServiceClient;

// What the platform gives the application besides the main window.
struct AppPorts {
  AppPlatform& platform;
  TrayPort& tray;
  QPTSoap::Transport& transport;
  PopupPort& popup;
  SoundPort& sound;
  PresenceProbe& presence;
  CheckWorker& worker;
  SettingsDialogPort& settingsDialog;
  UpdateUi& updateUi;
  PageBrowser& browser;
  // Whether the user is busy, the calendar clock and where a pause is kept.
  BusyProbe& busy;
  WallClock& clock;
  PauseStore& pauses;
};

class QptnT : public EmailCommand,
              private CheckAccounts,
              private CheckTray,
              private UpdatePort,
              private ActionsHost {
 public:
  static constexpr unsigned kSlots = kMaxAccounts;

  explicit QptnT(const AppPorts& ports);
  // The animation and check threads have been joined by now (StopCheck,
  // StopAnimation, then their owners' joins), so nothing else touches the icon.
  ~QptnT() override;
  QptnT(const QptnT&) = delete;
  QptnT& operator=(const QptnT&) = delete;

  // Returns true when the message loop shall run; false when the window
  // could not be made or an update was started.
  bool Startup();
  // The greeting the message loop shows first after "-Hello".
  void Greet() { status_.Greet(); }

  // What the main window receives.
  void OnCommand(unsigned id);
  void OnTrayCallback(unsigned notification);
  void OnTaskbarCreated() { status_.Readd(); }
  void OnPopupFinished() { check_.OnPopupFinished(); }
  void OnTimer(unsigned id) { check_.OnTimer(id); }

  // The animation thread's body, and the stop that lets its owner join it.
  void RunAnimation() { animation_.Run(); }
  void StopAnimation() { animation_.Stop(); }
  // Ends a running check and joins its thread.
  void StopCheck() { check_.Stop(); }

  // The message actions of the popup and the tray (notifier/actions/).
  void launchMail() override { actions_.LaunchMail(); }
  void openMessage(unsigned account, QPTSoapNS::Message* message) override {
    actions_.OpenPage(account, message, MessagePage::kView);
  }
  void quickView(unsigned account, QPTSoapNS::Message* message) override {
    actions_.OpenPage(account, message, MessagePage::kQuickView);
  }
  void reply(unsigned account, QPTSoapNS::Message* message, bool toAll) override {
    actions_.OpenPage(account, message, toAll ? MessagePage::kReplyAll : MessagePage::kReply);
  }
  void forward(unsigned account, QPTSoapNS::Message* message) override {
    actions_.OpenPage(account, message, MessagePage::kForward);
  }
  bool deleteMessage(unsigned account, QPTSoapNS::Message* message) override {
    return actions_.Delete(account, message);
  }
  void markRead(unsigned account, QPTSoapNS::Message* message) override {
    actions_.MarkRead(account, message);
  }
  void markSpam(unsigned account, QPTSoapNS::Message* message) override {
    actions_.MarkSpam(account, message);
  }
  void userActivity() override { check_.ClearNewMailFlag(); }

  // The loaded accounts' addresses, in slot order (window thread, or with
  // the settings lock held).
  std::vector<std::u16string> Addresses() const;
  const CheckSettings& CurrentSettings() const { return settings_; }

  MailCheck& Check() { return check_; }
  QPTSoap::SharedClient& Service() { return shared_; }
  const TrayStatus& Status() const { return status_; }
  IconAnimation& Animation() { return animation_; }

 private:
  // CheckAccounts
  std::mutex& SettingsLock() override { return settingsLock_; }
  unsigned Count() override { return accountCount_; }
  Credentials Account(unsigned slot) override;
  std::u16string HostKey() override { return hostKey_.value; }
  CheckSettings Settings() override { return settings_; }
  void Reload() override { LoadAccounts(); }
  // CheckTray
  void BeginAnimation() override;
  void EndAnimation() override;
  void RefreshTip(unsigned unreadTotal, bool newMail) override;
  void ShowError(bool timerCheck, unsigned account, const std::u16string& text,
                 const QPTSoap::SoapFault& fault) override;
  // UpdatePort
  bool CheckForUpdate() override;
  // ActionsHost (Account is CheckAccounts')
  unsigned AccountCount() override { return accountCount_; }
  unsigned SelectedAccount() override { return check_.SelectedAccount(); }
  void DecrementUnread() override { check_.DecrementUnread(); }
  void ShowError(unsigned account, const std::u16string& text,
                 const QPTSoap::SoapFault& fault) override;

  // With the settings lock held, or before any other thread runs.
  void LoadAccounts();

  AppPorts ports_;

  // Read when the object is made and written back when it goes, in every
  // mode of the program.
  StringSetting host_{u"host", kDefaultHost};
  BoolSetting privateLabel_{u"pl", false};
  StringSetting hostKey_{u"key", u""};

  // The window thread writes the accounts and the check settings with
  // settingsLock_ held, and the check thread reads them holding it, after
  // the check's own lock.
  std::mutex settingsLock_;
  std::array<std::u16string, kSlots> addresses_{};
  std::array<std::u16string, kSlots> passwords_{};
  unsigned accountCount_ = 0;
  bool internalAccount_ = false;  // lowers the shortest check interval
  CheckSettings settings_;

  ServiceClient soap_;
  QPTSoap::SharedClient shared_{soap_};
  ClientMailService mail_{shared_};
  TrayStatus status_;
  IconAnimation animation_;
  MailCheck check_;
  ClientPageService pages_{shared_};
  MessageActions actions_;
};

}  // namespace qptn
