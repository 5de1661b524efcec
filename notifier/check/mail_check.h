// The mail-check cycle: when to check, asking every account, the alert, the tray and the popup sequence.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "notifier/check/bounded_semaphore.h"
#include "notifier/check/check_ports.h"
#include "notifier/check/check_timers.h"
#include "notifier/check/message_queue.h"
#include "notifier/check/presence.h"
#include "notifier/check/quiet_gate.h"

namespace qptn {

inline constexpr unsigned kCheckSlots = 5;
// Polling while the user is away, and the first check after the return.
inline constexpr unsigned kAwayPollMs = 5000;
inline constexpr unsigned kAfterReturnMs = 1000;
// The balloon of a failing account, and the most characters it keeps.
inline constexpr char16_t kCheckFailedText[] = u"Failed to check email for ";
inline constexpr size_t kCheckFailedLimit = 127;
inline constexpr char16_t kWatchFailedText[] = u"Couldn't set any folders to watch.";

// Every port the check reaches the rest of the program through.
struct CheckPorts {
  MailService& service;
  CheckAccounts& accounts;
  CheckTray& tray;
  PopupPort& popup;
  SoundPort& sound;
  PresenceProbe& presence;
  TimerPort& timers;  // the main window's
  CheckWorker& worker;
  SettingsDialogPort& settingsDialog;
  UpdatePort& update;
  BusyProbe& busy;
  WallClock& clock;
  PauseStore& pauses;
};

class MailCheck {
 public:
  explicit MailCheck(const CheckPorts& ports)
      : p_(ports), quiet_(ports.busy, ports.clock, ports.pauses) {}
  MailCheck(const MailCheck&) = delete;
  MailCheck& operator=(const MailCheck&) = delete;

  // --- window thread -------------------------------------------------------
  void OnTimer(unsigned id);
  // The commands Check Email Now and Show New Email.
  void CheckNow();
  void ShowNew();
  // Starts a check on the worker unless one runs; with no account the
  // settings dialog opens instead. `fromTimer`: the periodic timer asked.
  void StartCheck(bool fromTimer = false);
  // Makes sure the account has a watched folder; the account's next check
  // starts afresh.
  void WatchInbox(unsigned slot);
  // Runs the settings dialog and takes what it changed.
  void OpenSettings();
  // The command "Pause notifications for 1 hour": pauses, or resumes and
  // shows what was held unless the user is busy.
  void TogglePause();
  bool Paused() { return quiet_.Paused(); }
  // The popup has finished showing a message.
  void OnPopupFinished() { popupDone_.Release(); }
  // At exit: ends a popup wait and joins a running check, which skips the
  // accounts it has not asked yet.
  void Stop();

  // Hands the current settings to the timers' users and the popup.
  void ApplySettings(const CheckSettings& settings);

  // --- shared with the window thread, read without a lock ----------------
  bool Checking() const { return checking_; }
  bool PopupBusy() const { return popupBusy_; }
  bool TimerCheck() const { return timerCheck_; }
  unsigned UnreadTotal() const { return unreadTotal_; }
  bool NewMailFlag() const { return newMailFlag_; }
  unsigned SelectedAccount() const { return selectedAccount_; }
  void SelectAccount(unsigned slot) { selectedAccount_ = slot; }
  // Clears the "You have mail!" state and shows what is left.
  void ClearNewMailFlag();
  // A message action took one message off the unread ones (never below 0).
  void DecrementUnread();

  // --- the check thread ------------------------------------------------------
  void CheckAllAccounts();

  // For tests: the header number an account's next check sends.
  int32_t LastHeaderNum(unsigned slot) const { return lastHeaderNum_.at(slot); }

 private:
  struct Totals;
  void CheckAccount(unsigned slot, const std::u16string& hostKey, const CheckSettings& settings,
                    Totals& totals);
  void FinishCheck(const Totals& totals, unsigned previousUnread);
  void MarkRecallable(unsigned accountCount);
  void ShowNewMessages();
  void ShowQueue(unsigned accountCount);
  void OnPeriodicTimer();
  void OnAwayPoll();
  // While news is held: shows it on the worker once the user is free.
  void OnQuietPoll();
  // The end of a check that found news while the user was busy or had
  // paused announcements keeps it in the held queue; the first end of a
  // check, or the poll, with the user free shows it.
  void HoldOrJoin(const CheckEndStep& step, const CheckSettings& settings, bool quiet);
  // Puts the queue in the order and length the popup shows.
  void PrepareQueue(const CheckSettings& settings, bool showNew);
  // The worker's body for the poll's release.
  void ShowHeld();
  // With the check lock held: news is held, with or without a list (a
  // server may count new messages it does not send).
  bool Holding() const { return heldTotal_ > 0 || !held_.Empty(); }

  CheckPorts p_;
  // Taken before the settings lock; guards the queue and the new total.
  std::mutex checkLock_;
  MessageQueue queue_;
  unsigned newTotal_ = 0;
  // Guarded by the settings lock.
  std::array<int32_t, kCheckSlots> lastHeaderNum_{};
  unsigned intervalMs_ = 0;  // window thread only
  QuietGate quiet_;
  // Guarded by the check lock: what checks found while the user was busy,
  // the sum of their new counts, and whether one was Show New Email.
  MessageQueue held_;
  unsigned heldTotal_ = 0;
  bool heldShowNew_ = false;
  BoundedSemaphore popupDone_{0, 1};
  std::atomic<bool> stopping_{false};

  std::atomic<bool> checking_{false};
  std::atomic<bool> popupBusy_{false};
  std::atomic<bool> timerCheck_{false};
  std::atomic<bool> showNewRequested_{false};
  std::atomic<bool> newMailFlag_{false};
  std::atomic<unsigned> unreadTotal_{0};
  std::atomic<unsigned> selectedAccount_{0};
};

}  // namespace qptn
