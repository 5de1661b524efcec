// The notifier's application object: the state that the tray, the mail check,
// the message actions and the popup share, and the logic of start-up, the
// main window's commands and the tray icon. The window system is reached
// through AppPlatform and TrayPort.
#pragma once

#include <array>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "common/text.h"
#include "notifier/core/app_platform.h"
#include "notifier/core/bounded_semaphore.h"
#include "notifier/core/constants.h"
#include "notifier/core/email_command.h"
#include "notifier/core/service_address.h"
#include "notifier/core/tray_port.h"
#include "notifier/service/soap_fault.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/settings.h"

namespace qptn {

// Passed to ShowError by callers that concern no single account.
inline constexpr unsigned kNoAccount = 999;

inline constexpr unsigned kBalloonTextLimit = 1023;
// How long a popup message stays on screen until the settings say otherwise.
inline constexpr unsigned kDefaultPopupDisplayMs = 4000;
// Time between two frames of the tray icon's animation.
inline constexpr unsigned kFrameMs = 250;

// `Soap` is the service client (a CQPTSoapT over the platform's transport).
template <unsigned N, typename Soap>
class QptnT : public EmailCommand {
 public:
  static constexpr unsigned kSlots = N;

  QptnT(AppPlatform& platform, TrayPort& tray) : platform_(platform), tray_(tray) {}
  QptnT(const QptnT&) = delete;
  QptnT& operator=(const QptnT&) = delete;

  // The animation thread has been joined by now (StopAnimation, then the
  // owner's join), so nothing else touches the icon.
  ~QptnT() {
    animationFrames.clear();
    tray_.Remove();
  }

  // --- start-up and the main window ------------------------------------

  // Returns true when the message loop shall run.
  bool Startup() {
    const std::u16string title = std::u16string(kProductName) + u" " + kNotifierName;
    if (!platform_.CreateMainWindow(title)) return false;
    platform_.InitializeCom();
    platform_.RegisterTaskbarCreated();
    tray_.Add(kIconNoMail);
    currentIcon = kIconNoMail;
    serviceAddress = ServiceAddress(host.value);
    soap.SetEndpoint(serviceAddress);
    if (CheckForUpdate()) return false;
    animationGate.Close();
    tray_.SetIcon(currentIcon);
    LoadAccounts();
    LoadCheckSettings();
    platform_.SetTimer(kTimerFirstCheck, kFirstCheckDelayMs);
    for (unsigned i = 0; i < accountCount; ++i) WatchInbox(i);
    return true;
  }

  // The greeting the message loop shows first after "-Hello".
  void Greet() { tray_.Balloon(kNotifierName, false); }

  void OnCommand(unsigned id) {
    switch (id) {
      case kCmdExit:
        animating = false;
        platform_.PostQuit(0);
        return;
      case kCmdSettings:
        OpenSettings();
        return;
      case kCmdCheckNow:
        platform_.KillTimer(kTimerPeriodicCheck);
        StartCheck();
        platform_.SetTimer(kTimerPeriodicCheck, checkIntervalMs);
        return;
      case kCmdShowNew:
        platform_.KillTimer(kTimerPeriodicCheck);
        showNewRequested = true;
        StartCheck();
        platform_.SetTimer(kTimerPeriodicCheck, checkIntervalMs);
        return;
      case kCmdLaunch:
        launchMail();
        return;
      default:
        if (id >= kCmdAccountFirst && id <= kCmdAccountLast) {
          selectedAccount = id - kCmdAccountFirst;
          launchMail();
        }
        return;
    }
  }

  void OnTrayCallback(unsigned notification) {
    switch (notification) {
      case kTrayContextMenu:
      case kTrayRightUp:
        ClearNewMailFlag();
        platform_.ShowTrayMenu(Menu());
        return;
      case kTrayLeftDown:
        ClearNewMailFlag();
        return;
      case kTrayLeftDouble:
        static_cast<EmailCommand&>(*this).launchMail();
        return;
      default:
        return;
    }
  }

  // The shell restarted: its new taskbar knows no icon of ours.
  void OnTaskbarCreated() { tray_.Add(currentIcon); }

  void OnPopupFinished() { popupDone.Release(); }

  void OnTimer(unsigned /*id*/) {
    // The timers start mail checks; the check cycle lands with the service
    // client.
  }

  TrayMenu Menu() const {
    TrayMenu menu;
    menu.busy = checking || popupBusy;
    if (accountCount > 1) {
      for (unsigned i = 0; i < accountCount && i < N; ++i) menu.accounts.push_back(addresses[i]);
    }
    return menu;
  }

  // --- tooltip, icon and balloons ---------------------------------------

  void RefreshTip() {
    if (unreadTotal > 0) {
      std::u16string tip;
      if (newMailFlag) {
        tip = u"You have mail!";
      } else {
        tip = qp::Truncated(qp::WidenAscii(std::to_string(unreadTotal)) + u" unread message" +
                                (unreadTotal > 1 ? u"s" : u"") + u".",
                            31);
      }
      tray_.SetTip(tip);
      currentIcon = newMailFlag ? kIconNewMail : kIconUnread;
      if (!animating) tray_.SetIcon(currentIcon);
    } else {
      currentIcon = kIconNoMail;
      if (!animating) tray_.SetIcon(kIconNoMail);
      tray_.SetTip(u"No unread messages.");
    }
  }

  void ClearNewMailFlag() {
    if (newMailFlag) {
      newMailFlag = false;
      RefreshTip();
    }
  }

  // `text` null shows nothing unless the service's last fault carries a
  // message for the user.
  void ShowError(unsigned account, const char16_t* text) {
    if (timerCheck) return;
    std::u16string shown;
    const QPTSoap::SoapFault& fault = soap.LastFault();
    if (fault.code == QPTSoap::kFaultClient && !fault.faultstring.empty()) {
      shown = fault.faultstring;
    } else if (text != nullptr) {
      shown = text;
    } else {
      return;
    }
    if (accountCount > 1 && account < accountCount && account < N) {
      shown = qp::Truncated(addresses[account] + u"\n" + shown, kBalloonTextLimit);
    }
    tray_.Balloon(shown, true);
  }

  // --- icon animation ----------------------------------------------------

  // Body of the animation thread: waits a frame's time with `wait`, which
  // says true once the thread is to stop, and steps while the gate lets it.
  template <typename Wait>
  void AnimationLoop(Wait wait) {
    {
      std::lock_guard<std::mutex> lock(frameLock_);
      animationFrames.clear();
      for (int id = kIconCheckFirst; id <= kIconCheckLast; ++id) animationFrames.push_back(id);
      animationIndex = 0;
    }
    while (!wait()) {
      if (!animationGate.Pass([this] { AdvanceFrame(); })) return;
    }
  }

  // The animation thread's body as the program runs it; returns after
  // StopAnimation.
  void RunAnimation() {
    AnimationLoop([this] { return animationStop_.WaitFor(std::chrono::milliseconds(kFrameMs)); });
  }

  // Wakes the animation thread wherever it waits, so its owner can join it.
  void StopAnimation() {
    animationStop_.Request();
    animationGate.Stop();
  }

  void AdvanceFrame() {
    std::lock_guard<std::mutex> lock(frameLock_);
    if (animationFrames.empty()) return;
    animationIndex = (animationIndex + 1) % animationFrames.size();
    tray_.SetIcon(animationFrames[animationIndex]);
  }

  // --- message actions ---------------------------------------------------
  // Each asks the service for a page address or applies an action on the
  // server; they land with the service client and browser launch.

  void launchMail() override {}
  void openMessage(unsigned, QPTSoapNS::Message*) override {}
  void quickView(unsigned, QPTSoapNS::Message*) override {}
  void reply(unsigned, QPTSoapNS::Message*, bool) override {}
  void forward(unsigned, QPTSoapNS::Message*) override {}
  bool deleteMessage(unsigned, QPTSoapNS::Message*) override { return false; }
  void markRead(unsigned, QPTSoapNS::Message*) override {}
  void markSpam(unsigned, QPTSoapNS::Message*) override {}
  void userActivity() override { ClearNewMailFlag(); }

  // --- shared state --------------------------------------------------------

  // Read when the object is made and written back when it goes, in every
  // mode of the program.
  StringSetting host{u"host", kDefaultHost};
  BoolSetting pl{u"pl", false};
  StringSetting key{u"key", u""};
  std::array<std::u16string, N> addresses{};
  std::array<std::u16string, N> passwords{};
  unsigned accountCount = 0;
  bool soundOn = true;
  std::u16string serviceAddress;
  // The one client of every service call of the running notifier.
  Soap soap;
  std::array<int, N> lastHeaderNum{};
  BoundedSemaphore popupDone{0, 1};
  std::mutex checkLock;
  std::mutex settingsLock;
  AnimationGate animationGate;
  std::vector<int> animationFrames;
  size_t animationIndex = 0;
  int currentIcon = kIconNoMail;
  bool animating = false;
  bool checking = false;
  bool popupBusy = false;
  bool internalAccount = false;
  bool showNewRequested = false;
  bool timerCheck = false;
  bool newMailFlag = false;
  unsigned checkIntervalMs = 0;
  unsigned showLimit = 0;
  unsigned popupDisplayMs = kDefaultPopupDisplayMs;
  unsigned newTotal = 0;
  unsigned unreadTotal = 0;
  unsigned selectedAccount = 0;

 private:
  // Start-up steps and commands whose subsystems land later. Each says what
  // it will do; none of them pretends to have done it.

  // Asks the service for the current client version; true when a download
  // of a newer setup package was started. No service client yet: no update.
  bool CheckForUpdate() { return false; }

  void LoadAccounts() {
    accountCount = qptn::LoadAccounts(addresses.data(), passwords.data(), internalAccount, N);
  }

  void LoadCheckSettings() {
    showLimit = ReadShowLimit();
    checkIntervalMs = ReadCheckInterval(internalAccount) * 60000u;
    soundOn = ReadSound();
    const unsigned seconds = ReadPopupTime();
    if (seconds > 0) popupDisplayMs = seconds * 1000u;
  }

  // Makes sure the account has a watched folder on the server.
  void WatchInbox(unsigned /*account*/) {}

  // Starts a mail check on a worker thread.
  void StartCheck() {}

  // Runs the settings dialog.
  void OpenSettings() {}

  AppPlatform& platform_;
  TrayPort& tray_;
  std::mutex frameLock_;  // the frame list and index: animation and check threads step them
  StopSignal animationStop_;
};

}  // namespace qptn
