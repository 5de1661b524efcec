// The hand-over between notifier instances: which running notifier to tell
// to exit next, and when to stop waiting for one that does not go.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace qptn {

// A newcomer tells every other notifier window to exit, again and again,
// until none is left. A peer that is hung, crashed under a debugger or
// stuck in its shut-down would keep it waiting for ever, so each window is
// tried for at most `giveUpMs` from the first time it was seen and then left
// alone.
class InstanceCloser {
 public:
  explicit InstanceCloser(uint64_t giveUpMs) : giveUpMs_(giveUpMs) {}

  // `windows` are the notifier windows found now, `nowMs` a monotonic clock
  // in milliseconds. Returns the window to send Exit to, or 0 when no window
  // is left that is still worth trying.
  uintptr_t Next(const std::vector<uintptr_t>& windows, uint64_t nowMs);

 private:
  uint64_t giveUpMs_;
  std::map<uintptr_t, uint64_t> firstSeen_;
};

}  // namespace qptn
