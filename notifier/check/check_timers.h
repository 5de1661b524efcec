// The main window's timers that drive the mail check, and the port that sets them.
#pragma once

namespace qptn {

enum TimerId : unsigned {
  kTimerPeriodicCheck = 2,
  kTimerFirstCheck = 3,
  kTimerAwayPoll = 4,  // while the user is away, instead of blocking the window thread
  kTimerQuietPoll = 5,  // while announcements are held: is the user free again?
};

inline constexpr unsigned kFirstCheckDelayMs = 5000;

class TimerPort {
 public:
  virtual ~TimerPort() = default;
  virtual void SetTimer(unsigned id, unsigned milliseconds) = 0;
  virtual void KillTimer(unsigned id) = 0;
  // SetTimer from another thread: the window thread sets the timer when it
  // handles the request.
  virtual void PostTimer(unsigned id, unsigned milliseconds) = 0;
};

}  // namespace qptn
