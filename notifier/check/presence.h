// Whether the user is at the computer: the test that holds periodic checks back while nobody is.
#pragma once

#include <cstdint>

namespace qptn {

// What the system says: the tick count now and at the last input (both in
// milliseconds, wrapping every 49.7 days), and whether the input desktop
// is another one than the notifier's (the workstation is locked).
struct PresenceReading {
  uint32_t nowTick = 0;
  uint32_t lastInputTick = 0;
  bool inputElsewhere = false;
};

class PresenceProbe {
 public:
  virtual ~PresenceProbe() = default;
  virtual PresenceReading Read() = 0;
};

// Away when no input came for `intervalMs` or more, or the input is on
// another desktop. The ticks are subtracted modulo 2^32, so a count that
// wrapped between the two readings still gives the true time since input.
inline bool IsAway(const PresenceReading& reading, uint32_t intervalMs) {
  return static_cast<uint32_t>(reading.nowTick - reading.lastInputTick) >= intervalMs ||
         reading.inputElsewhere;
}

}  // namespace qptn
