#include "notifier/app/instance_closer.h"

namespace qptn {

uintptr_t InstanceCloser::Next(const std::vector<uintptr_t>& windows, uint64_t nowMs) {
  // Every window's time starts when it is first found, not when its turn comes.
  for (uintptr_t window : windows) firstSeen_.emplace(window, nowMs);
  for (uintptr_t window : windows) {
    if (window != 0 && nowMs - firstSeen_[window] < giveUpMs_) return window;
  }
  return 0;
}

}  // namespace qptn
