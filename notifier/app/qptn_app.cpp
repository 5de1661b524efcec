#include "notifier/app/qptn_app.h"

#include "notifier/app/constants.h"
#include "notifier/service/service_address.h"

namespace qptn {

QptnT::QptnT(const AppPorts& ports)
    : ports_(ports),
      soap_(ports.transport),
      status_(ports.tray),
      animation_(ports.tray),
      check_(CheckPorts{mail_, *this, *this, ports.popup, ports.sound, ports.presence,
                        ports.platform, ports.worker, ports.settingsDialog, *this, ports.busy,
                        ports.clock, ports.pauses}),
      actions_(pages_, ports.browser, *this, kDefaultWebMailStart) {}

QptnT::~QptnT() { status_.Remove(); }

bool QptnT::Startup() {
  const std::u16string title = std::u16string(kProductName) + u" " + kNotifierName;
  if (!ports_.platform.CreateMainWindow(title)) return false;
  ports_.platform.InitializeCom();
  ports_.platform.CreatePopup(privateLabel_.value);
  ports_.platform.RegisterTaskbarCreated();
  status_.Add();
  shared_.SetEndpoint(ServiceAddress(host_.value));
  // A newer version leaves the field to its installer.
  if (CheckForUpdate()) return false;
  animation_.Gate().Close();
  status_.ShowCurrentIcon();
  {
    std::lock_guard<std::mutex> lock(settingsLock_);
    LoadAccounts();
  }
  check_.ApplySettings(settings_);
  ports_.platform.SetTimer(kTimerFirstCheck, kFirstCheckDelayMs);
  for (unsigned i = 0; i < accountCount_; ++i) check_.WatchInbox(i);
  return true;
}

void QptnT::LoadAccounts() {
  accountCount_ = qptn::LoadAccounts(addresses_.data(), passwords_.data(), internalAccount_, kSlots);
  settings_ = LoadCheckSettings(internalAccount_);
}

void QptnT::OnCommand(unsigned id) {
  switch (id) {
    case kCmdExit:
      animation_.SetAnimating(false);
      ports_.platform.PostQuit(0);
      return;
    case kCmdSettings:
      check_.OpenSettings();
      return;
    case kCmdCheckNow:
      check_.CheckNow();
      return;
    case kCmdShowNew:
      check_.ShowNew();
      return;
    case kCmdLaunch:
      launchMail();
      return;
    case kCmdPause:
      check_.TogglePause();
      return;
    default:
      if (id >= kCmdAccountFirst && id <= kCmdAccountLast) {
        check_.SelectAccount(id - kCmdAccountFirst);
        launchMail();
      }
      return;
  }
}

void QptnT::OnTrayCallback(unsigned notification) {
  switch (notification) {
    case kTrayContextMenu:
    case kTrayRightUp:
      check_.ClearNewMailFlag();
      ports_.platform.ShowTrayMenu(
          DecideTrayMenu(check_.Checking() || check_.PopupBusy(), Addresses(), check_.Paused()));
      return;
    case kTrayLeftDown:
      check_.ClearNewMailFlag();
      return;
    case kTrayLeftDouble:
      static_cast<EmailCommand&>(*this).launchMail();
      return;
    default:
      return;
  }
}

void QptnT::ShowError(unsigned account, const std::u16string& text,
                      const QPTSoap::SoapFault& fault) {
  status_.ShowError(check_.TimerCheck(), fault, Addresses(), account, text.c_str());
}

std::vector<std::u16string> QptnT::Addresses() const {
  return std::vector<std::u16string>(addresses_.begin(), addresses_.begin() + accountCount_);
}

Credentials QptnT::Account(unsigned slot) {
  if (slot >= accountCount_) return {};
  return {addresses_[slot], passwords_[slot]};
}

void QptnT::BeginAnimation() {
  animation_.SetAnimating(true);
  animation_.Gate().Open();
  animation_.AdvanceFrame();
}

void QptnT::EndAnimation() {
  animation_.Gate().Close();
  animation_.SetAnimating(false);
  status_.ShowCurrentIcon();
}

void QptnT::RefreshTip(unsigned unreadTotal, bool newMail) {
  status_.Refresh(unreadTotal, newMail, animation_.Animating());
}

void QptnT::ShowError(bool timerCheck, unsigned account, const std::u16string& text,
                      const QPTSoap::SoapFault& fault) {
  status_.ShowError(timerCheck, fault, Addresses(), account, text.c_str());
}

bool QptnT::CheckForUpdate() {
  return qptn::CheckForUpdate(mail_, ports_.updateUi, host_.value, privateLabel_.value);
}

}  // namespace qptn
