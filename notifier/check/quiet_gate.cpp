#include "notifier/check/quiet_gate.h"

namespace qptn {

QuietGate::QuietGate(BusyProbe& busy, WallClock& clock, PauseStore& store)
    : busy_(busy), clock_(clock), store_(store), pausedUntil_(store.Load()) {}

bool QuietGate::PausedLocked(int64_t now) {
  if (pausedUntil_ <= 0) return false;
  if (now >= pausedUntil_) {
    pausedUntil_ = 0;
    store_.Save(0);
    return false;
  }
  if (pausedUntil_ - now > kPauseSeconds) {
    pausedUntil_ = now + kPauseSeconds;
    store_.Save(pausedUntil_);
  }
  return true;
}

bool QuietGate::Paused() {
  const int64_t now = clock_.NowSeconds();
  std::lock_guard<std::mutex> lock(lock_);
  return PausedLocked(now);
}

bool QuietGate::TogglePause() {
  const int64_t now = clock_.NowSeconds();
  std::lock_guard<std::mutex> lock(lock_);
  pausedUntil_ = PausedLocked(now) ? 0 : now + kPauseSeconds;
  store_.Save(pausedUntil_);
  return pausedUntil_ != 0;
}

bool QuietGate::Quiet() {
  // Asking the system costs more than the clock: only when not paused.
  return Paused() || busy_.UserBusy();
}

CheckEndStep QuietGate::OnCheckEnd(bool quiet, bool news, bool allRead) {
  std::lock_guard<std::mutex> lock(lock_);
  CheckEndStep step;
  if (allRead && holding_) {
    step.dropHeld = true;
    holding_ = false;
  }
  if (quiet && news) {
    step.hold = true;
    holding_ = true;
    step.startPoll = !polling_;
    polling_ = true;
  } else if (!quiet) {
    // The check shows what is held together with its own news.
    holding_ = false;
  }
  return step;
}

PollStep QuietGate::OnPoll(bool idle) {
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (!holding_) {
      polling_ = false;
      return {true, false};
    }
    // A running check decides at its end.
    if (!idle) return {};
  }
  if (Quiet()) return {};
  std::lock_guard<std::mutex> lock(lock_);
  if (!holding_) return {};  // a check ended meanwhile and showed it
  holding_ = false;
  polling_ = false;
  return {true, true};
}

void QuietGate::ReleaseFailed() {
  std::lock_guard<std::mutex> lock(lock_);
  holding_ = true;
  polling_ = true;
}

bool QuietGate::Holding() {
  std::lock_guard<std::mutex> lock(lock_);
  return holding_;
}

bool QuietGate::Polling() {
  std::lock_guard<std::mutex> lock(lock_);
  return polling_;
}

}  // namespace qptn
