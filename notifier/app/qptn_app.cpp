#include "notifier/app/qptn_app.h"

#include "notifier/app/constants.h"
#include "notifier/app/service_address.h"

namespace qptn {

QptnT::QptnT(AppPlatform& platform, TrayPort& tray, QPTSoap::Transport& transport)
    : platform_(platform), soap_(transport), status_(tray), animation_(tray) {}

QptnT::~QptnT() { status_.Remove(); }

// The update check and each account's watched folder, both of the check
// room, come in between these steps when they land.
bool QptnT::Startup() {
  const std::u16string title = std::u16string(kProductName) + u" " + kNotifierName;
  if (!platform_.CreateMainWindow(title)) return false;
  platform_.InitializeCom();
  platform_.RegisterTaskbarCreated();
  status_.Add();
  soap_.SetEndpoint(ServiceAddress(host_.value));
  animation_.Gate().Close();
  status_.ShowCurrentIcon();
  LoadAccounts();
  platform_.SetTimer(kTimerFirstCheck, kFirstCheckDelayMs);
  return true;
}

void QptnT::LoadAccounts() {
  std::lock_guard<std::mutex> lock(settingsLock_);
  accountCount_ = qptn::LoadAccounts(addresses_.data(), passwords_.data(), internalAccount_, kSlots);
  settings_ = LoadCheckSettings(internalAccount_);
}

void QptnT::OnCommand(unsigned id) {
  switch (id) {
    case kCmdExit:
      animation_.SetAnimating(false);
      platform_.PostQuit(0);
      return;
    case kCmdSettings:
      return;  // the settings dialog lands with the dialogs room
    case kCmdCheckNow:
    case kCmdShowNew:
      // The period starts again after the check these start, which lands
      // with the check room.
      platform_.KillTimer(kTimerPeriodicCheck);
      if (id == kCmdShowNew) showNewRequested_ = true;
      platform_.SetTimer(kTimerPeriodicCheck, settings_.intervalMs);
      return;
    case kCmdLaunch:
      launchMail();
      return;
    default:
      if (id >= kCmdAccountFirst && id <= kCmdAccountLast) {
        selectedAccount_ = id - kCmdAccountFirst;
        launchMail();
      }
      return;
  }
}

void QptnT::OnTrayCallback(unsigned notification) {
  switch (notification) {
    case kTrayContextMenu:
    case kTrayRightUp:
      ClearNewMailFlag();
      platform_.ShowTrayMenu(DecideTrayMenu(checking_ || popupBusy_, Addresses()));
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

void QptnT::RefreshTip() { status_.Refresh(unreadTotal_, newMailFlag_, animation_.Animating()); }

void QptnT::ClearNewMailFlag() {
  if (newMailFlag_.exchange(false)) RefreshTip();
}

void QptnT::ShowError(unsigned account, const char16_t* text) {
  status_.ShowError(timerCheck_, soap_.LastFault(), Addresses(), account, text);
}

std::vector<std::u16string> QptnT::Addresses() const {
  return std::vector<std::u16string>(addresses_.begin(), addresses_.begin() + accountCount_);
}

}  // namespace qptn
