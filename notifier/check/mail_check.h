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
};

class MailCheck {
 public:
  explicit MailCheck(const CheckPorts& ports) : p_(ports) {}
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
  void FinishCheck(const CheckSettings& settings, const Totals& totals, unsigned previousUnread);
  void MarkRecallable(unsigned accountCount);
  void ShowNewMessages();
  void ShowQueue(unsigned accountCount);
  void OnPeriodicTimer();
  void OnAwayPoll();

  CheckPorts p_;
  // Taken before the settings lock; guards the queue and the new total.
  std::mutex checkLock_;
  MessageQueue queue_;
  unsigned newTotal_ = 0;
  // Guarded by the settings lock.
  std::array<int32_t, kCheckSlots> lastHeaderNum_{};
  unsigned intervalMs_ = 0;  // window thread only
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
