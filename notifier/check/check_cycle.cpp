// One mail check on its thread: every account in turn, the totals, the alert, the tray and the popup sequence.
#include <algorithm>
#include <iterator>

#include "common/text.h"
#include "notifier/check/mail_check.h"

namespace qptn {

// What one check adds up over the accounts.
struct MailCheck::Totals {
  unsigned newTotal = 0;
  unsigned unreadTotal = 0;
  unsigned maxNew = 0;
  bool failedOnce = false;
  bool soundWanted = false;
};

namespace {

// A server's count below zero counts as none.
unsigned Count(int32_t value) { return value > 0 ? static_cast<unsigned>(value) : 0; }

}  // namespace

void MailCheck::CheckAllAccounts() {
  {
    std::lock_guard<std::mutex> checkLock(checkLock_);
    std::lock_guard<std::mutex> settingsLock(p_.accounts.SettingsLock());
    const std::u16string hostKey = p_.accounts.HostKey();
    const CheckSettings settings = p_.accounts.Settings();
    const unsigned accountCount = std::min(p_.accounts.Count(), kCheckSlots);
    const unsigned previousUnread = unreadTotal_;
    Totals totals;
    newTotal_ = 0;
    unreadTotal_ = 0;
    selectedAccount_ = 0;
    p_.tray.BeginAnimation();
    queue_.Clear();
    for (unsigned slot = 0; slot < accountCount && !stopping_; ++slot) {
      CheckAccount(slot, hostKey, settings, totals);
    }
    const bool soundWanted = totals.soundWanted && settings.sound;
    // Only a check with something to announce, or with news held, asks
    // whether the user is busy.
    const bool quiet =
        (soundWanted || totals.newTotal > 0 || Holding()) && quiet_.Quiet();
    const bool allRead = accountCount > 0 && !totals.failedOnce && totals.unreadTotal == 0;
    if (accountCount > 0) {
      if (soundWanted && !quiet && !stopping_) p_.sound.PlayMailBeep();
      // A failing account does not wipe the count.
      if (totals.failedOnce && totals.unreadTotal == 0) totals.unreadTotal = previousUnread;
    }
    newTotal_ = totals.newTotal;
    unreadTotal_ = totals.unreadTotal;
    FinishCheck(totals, previousUnread);
    HoldOrJoin(quiet_.OnCheckEnd(quiet, newTotal_ > 0, allRead), settings, quiet);
  }
  if (!stopping_) ShowNewMessages();
  checking_ = false;
}

void MailCheck::CheckAccount(unsigned slot, const std::u16string& hostKey,
                             const CheckSettings& settings, Totals& totals) {
  const Credentials account = p_.accounts.Account(slot);
  const bool showNew = showNewRequested_;
  NewMail answer;
  const CallOutcome outcome = p_.service.GetNewMessages(
      account, showNew ? 0 : lastHeaderNum_[slot], hostKey,
      static_cast<int32_t>(settings.showLimit), answer);
  if (!outcome.Ok() || !QPTSoap::UsableMessageList(answer.messages, answer.count)) {
    if (!totals.failedOnce) {
      p_.tray.ShowError(timerCheck_, slot,
                        qp::Truncated(kCheckFailedText + account.address, kCheckFailedLimit),
                        outcome.fault);
      totals.failedOnce = true;
    }
    return;
  }
  unsigned fresh = Count(answer.newUnread);
  if (fresh > 0) totals.soundWanted = true;
  // The account's first check only learns where the server stands.
  if (lastHeaderNum_[slot] == 0) fresh = 0;
  totals.newTotal += fresh;
  totals.unreadTotal += Count(answer.totalUnread);
  if (fresh > totals.maxNew) {
    totals.maxNew = fresh;
    selectedAccount_ = slot;
    if (timerCheck_) newMailFlag_ = true;
  }
  if (answer.messages) {
    for (QPTSoapNS::Message& message : *answer.messages) queue_.Append(std::move(message), slot);
  }
  lastHeaderNum_[slot] = answer.newHeaderNum;
}

void MailCheck::FinishCheck(const Totals& totals, unsigned previousUnread) {
  // Mail was read elsewhere.
  if (totals.unreadTotal < previousUnread) ClearNewMailFlag();
  p_.tray.EndAnimation();
  p_.tray.RefreshTip(unreadTotal_, newMailFlag_);
}

void MailCheck::HoldOrJoin(const CheckEndStep& step, const CheckSettings& settings, bool quiet) {
  bool showNew = showNewRequested_;
  showNewRequested_ = false;
  timerCheck_ = false;
  if (step.dropHeld) {
    held_.Clear();
    heldTotal_ = 0;
    heldShowNew_ = false;
  }
  if (step.hold) {
    held_.TakeFrom(queue_);
    heldTotal_ += newTotal_;
    heldShowNew_ = heldShowNew_ || showNew;
    newTotal_ = 0;
    if (step.startPoll) p_.timers.PostTimer(kTimerQuietPoll, kQuietPollMs);
    return;
  }
  if (!quiet && Holding()) {
    // The user is free again: what was held comes first, then this check's
    // news, and the popup shows them as if one check had found them all.
    if (newTotal_ == 0) queue_.Clear();
    held_.TakeFrom(queue_);
    std::swap(queue_, held_);
    newTotal_ += heldTotal_;
    showNew = showNew || heldShowNew_;
    heldTotal_ = 0;
    heldShowNew_ = false;
  }
  PrepareQueue(settings, showNew);
}

void MailCheck::PrepareQueue(const CheckSettings& settings, bool showNew) {
  if (newTotal_ > settings.showLimit && !showNew) {
    MarkRecallable(std::min(p_.accounts.Count(), kCheckSlots));
  }
  queue_.SortByDate();
  queue_.TrimTo(settings.showLimit);
  if (showNew && newTotal_ > settings.showLimit) newTotal_ = settings.showLimit;
}

void MailCheck::ShowHeld() {
  {
    std::lock_guard<std::mutex> checkLock(checkLock_);
    std::lock_guard<std::mutex> settingsLock(p_.accounts.SettingsLock());
    queue_.Clear();
    std::swap(queue_, held_);
    newTotal_ = heldTotal_;
    const bool showNew = heldShowNew_;
    heldTotal_ = 0;
    heldShowNew_ = false;
    PrepareQueue(p_.accounts.Settings(), showNew);
  }
  if (!stopping_) ShowNewMessages();
  checking_ = false;
}

void MailCheck::MarkRecallable(unsigned accountCount) {
  for (const auto& [slot, identities] : queue_.ByAccount(accountCount)) {
    p_.service.ApplyAction(p_.accounts.Account(slot), identities, u"markRecallable", u"");
  }
}

void MailCheck::ShowNewMessages() {
  popupBusy_ = true;
  {
    std::lock_guard<std::mutex> checkLock(checkLock_);
    std::lock_guard<std::mutex> settingsLock(p_.accounts.SettingsLock());
    const CheckSettings settings = p_.accounts.Settings();
    if (newTotal_ > settings.showLimit) {
      p_.popup.ShowSummary(newTotal_);
      popupDone_.AcquireUnlessInterrupted();
    } else if (newTotal_ > 0) {
      ShowQueue(p_.accounts.Count());
    }
  }
  popupBusy_ = false;
}

void MailCheck::ShowQueue(unsigned accountCount) {
  auto cursor = queue_.Begin();
  while (cursor != queue_.End()) {
    const bool isFirst = cursor == queue_.Begin();
    const bool isLast = std::next(cursor) == queue_.End();
    bool deleted = false;
    bool previous = false;
    std::optional<std::u16string> to;
    if (accountCount > 1) to = p_.accounts.Account(cursor->account).address;
    p_.popup.ShowMessage(cursor->account, to, *cursor, isFirst, isLast, &deleted, &previous);
    if (!popupDone_.AcquireUnlessInterrupted()) return;
    if (deleted) {
      cursor = queue_.Erase(cursor);
    } else if (previous && !isFirst) {
      --cursor;
    } else {
      ++cursor;
    }
  }
}

}  // namespace qptn
