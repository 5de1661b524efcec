// When checks run: the timers, the commands, the away test, the folder watch and the settings.
#include "notifier/check/mail_check.h"

#include <vector>

namespace qptn {

void MailCheck::ApplySettings(const CheckSettings& settings) {
  intervalMs_ = settings.intervalMs;
  p_.popup.SetDisplayTime(settings.popupDisplayMs);
}

void MailCheck::OnTimer(unsigned id) {
  switch (id) {
    case kTimerPeriodicCheck:
      OnPeriodicTimer();
      return;
    case kTimerFirstCheck:
      p_.timers.KillTimer(kTimerFirstCheck);
      p_.timers.SetTimer(kTimerPeriodicCheck, intervalMs_);
      StartCheck();
      return;
    case kTimerAwayPoll:
      OnAwayPoll();
      return;
    case kTimerQuietPoll:
      OnQuietPoll();
      return;
    default:
      return;
  }
}

void MailCheck::OnPeriodicTimer() {
  if (checking_) return;
  if (!IsAway(p_.presence.Read(), intervalMs_)) {
    StartCheck(true);
    return;
  }
  // Nobody is there: no checks until someone is. The window thread keeps
  // handling its messages meanwhile; the poll timer looks every 5 seconds.
  p_.timers.KillTimer(kTimerPeriodicCheck);
  p_.timers.SetTimer(kTimerAwayPoll, kAwayPollMs);
}

void MailCheck::OnAwayPoll() {
  if (IsAway(p_.presence.Read(), intervalMs_)) return;
  p_.timers.KillTimer(kTimerAwayPoll);
  if (p_.update.CheckForUpdate()) {
    p_.timers.SetTimer(kTimerPeriodicCheck, intervalMs_);
  } else {
    p_.timers.SetTimer(kTimerFirstCheck, kAfterReturnMs);
  }
}

void MailCheck::OnQuietPoll() {
  const PollStep step = quiet_.OnPoll(!checking_ && !popupBusy_);
  if (step.stopPoll) p_.timers.KillTimer(kTimerQuietPoll);
  if (!step.release) return;
  // The popup sequence blocks: it runs on the worker, as after a check,
  // and no check starts meanwhile.
  if (!checking_.exchange(true)) {
    if (p_.worker.Start([this] { ShowHeld(); })) return;
    checking_ = false;
  }
  quiet_.ReleaseFailed();
  p_.timers.SetTimer(kTimerQuietPoll, kQuietPollMs);
}

void MailCheck::TogglePause() {
  if (quiet_.TogglePause()) return;
  // Resumed: what is held shows at once, unless the user is busy.
  if (quiet_.Polling()) OnQuietPoll();
}

void MailCheck::CheckNow() {
  p_.timers.KillTimer(kTimerPeriodicCheck);
  StartCheck();
  p_.timers.SetTimer(kTimerPeriodicCheck, intervalMs_);
}

void MailCheck::ShowNew() {
  p_.timers.KillTimer(kTimerPeriodicCheck);
  showNewRequested_ = true;
  StartCheck();
  p_.timers.SetTimer(kTimerPeriodicCheck, intervalMs_);
}

void MailCheck::StartCheck(bool fromTimer) {
  if (p_.accounts.Count() == 0) {
    OpenSettings();
    return;
  }
  if (checking_.exchange(true)) return;
  // Set only for a check that really starts: a timer tick that opened the
  // settings dialog instead must not silence the next check the user asks for.
  timerCheck_ = fromTimer;
  if (!p_.worker.Start([this] { CheckAllAccounts(); })) {
    timerCheck_ = false;
    checking_ = false;
  }
}

void MailCheck::WatchInbox(unsigned slot) {
  if (slot >= kCheckSlots) return;
  const Credentials account = p_.accounts.Account(slot);
  const std::u16string hostKey = p_.accounts.HostKey();
  int32_t folders = 0;
  if (p_.service.GetWatchFolders(account, hostKey, folders).Ok() && folders == 0) {
    const CallOutcome watch = p_.service.SetFolderWatch(account, u"INBOX", 1, hostKey);
    if (!watch.Ok()) p_.tray.ShowError(false, slot, kWatchFailedText, watch.fault);
  }
  lastHeaderNum_[slot] = 0;
}

void MailCheck::OpenSettings() {
  if (popupBusy_ || checking_) return;
  std::lock_guard<std::mutex> lock(p_.accounts.SettingsLock());
  p_.timers.KillTimer(kTimerPeriodicCheck);
  const unsigned oldCount = p_.accounts.Count();
  std::vector<std::u16string> oldAddresses;
  for (unsigned i = 0; i < oldCount; ++i) oldAddresses.push_back(p_.accounts.Account(i).address);
  p_.settingsDialog.Run();
  p_.accounts.Reload();
  // A new slot or a changed address starts afresh; a changed password alone
  // does not.
  for (unsigned i = 0; i < p_.accounts.Count() && i < kCheckSlots; ++i) {
    if (i >= oldCount || p_.accounts.Account(i).address != oldAddresses[i]) WatchInbox(i);
  }
  ApplySettings(p_.accounts.Settings());
  p_.timers.SetTimer(kTimerPeriodicCheck, intervalMs_);
}

void MailCheck::ClearNewMailFlag() {
  if (newMailFlag_.exchange(false)) p_.tray.RefreshTip(unreadTotal_, false);
}

void MailCheck::DecrementUnread() {
  unsigned unread = unreadTotal_;
  while (unread > 0 && !unreadTotal_.compare_exchange_weak(unread, unread - 1)) {
  }
  p_.tray.RefreshTip(unreadTotal_, newMailFlag_);
}

void MailCheck::Stop() {
  stopping_ = true;
  popupDone_.Interrupt();
  p_.worker.Join();
}

}  // namespace qptn
