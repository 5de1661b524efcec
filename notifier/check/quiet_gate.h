// Whether the popup and the alert wait: the user is busy (a presentation, a
// full-screen program) or paused them for an hour; what is held meanwhile
// is shown once the user is free again.
#pragma once

#include <cstdint>
#include <mutex>

namespace qptn {

// A pause lasts an hour; while something is held, the user's state is
// looked at every two seconds.
inline constexpr int64_t kPauseSeconds = 3600;
inline constexpr unsigned kQuietPollMs = 2000;

// Whether the system or the screen says the user is busy: presenting,
// running a full-screen program, in quiet time, or not there.
class BusyProbe {
 public:
  virtual ~BusyProbe() = default;
  virtual bool UserBusy() = 0;
};

// The calendar time in seconds since 1970 (UTC), which goes on across a
// restart of the notifier.
class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual int64_t NowSeconds() = 0;
};

// Where the end of a pause is kept between runs: 0 for none.
class PauseStore {
 public:
  virtual ~PauseStore() = default;
  virtual int64_t Load() = 0;
  virtual void Save(int64_t until) = 0;
};

// What the end of a check does with what it found.
struct CheckEndStep {
  bool hold = false;       // keep this check's news for later
  bool startPoll = false;  // and start looking at the user's state
  bool dropHeld = false;   // what is held was read elsewhere meanwhile
};

// What one look at the user's state does.
struct PollStep {
  bool stopPoll = false;  // nothing is held any more, or it is shown now
  bool release = false;   // show what is held now
};

// The decision, without a thread or a window of its own. The check thread
// calls OnCheckEnd; the window thread calls the rest. Free (nothing held)
// and holding are its two states; the pause lies across both.
class QuietGate {
 public:
  // Reads a pause that a previous run started.
  QuietGate(BusyProbe& busy, WallClock& clock, PauseStore& store);
  QuietGate(const QuietGate&) = delete;
  QuietGate& operator=(const QuietGate&) = delete;

  // Whether a pause runs now; one that has run out is forgotten, and one
  // that would end more than an hour from now (the clock was set back) is
  // cut to an hour.
  bool Paused();
  // Pauses for an hour, or resumes at once; true when paused afterwards.
  bool TogglePause();
  // Whether announcements wait now: paused or busy.
  bool Quiet();

  // A check has ended. `quiet`: what Quiet() said when the check decided
  // about its sound. `news`: it found new messages. `allRead`: every
  // account answered and none has an unread message.
  CheckEndStep OnCheckEnd(bool quiet, bool news, bool allRead);
  // The poll timer; `idle`: no check and no popup sequence runs.
  PollStep OnPoll(bool idle);
  // A release could not start: hold on and look again.
  void ReleaseFailed();

  bool Holding();
  bool Polling();

 private:
  bool PausedLocked(int64_t now);

  BusyProbe& busy_;
  WallClock& clock_;
  PauseStore& store_;
  std::mutex lock_;
  int64_t pausedUntil_ = 0;
  bool holding_ = false;
  bool polling_ = false;
};

}  // namespace qptn
