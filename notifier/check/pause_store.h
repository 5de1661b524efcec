// Where a pause of the announcements is kept across restarts: the value
// "pauseUntil" of the notifier's settings key, and the calendar clock.
#pragma once

#include <cstdint>

#include "common/registry.h"
#include "notifier/check/quiet_gate.h"

namespace qptn {

// A REG_DWORD: the second (since 1970, UTC) the pause ends. Present only
// while a pause runs: resuming, or the pause running out, deletes it, so
// the key looks as it did before. Written at once, not when the program
// ends, so that a notifier ended any way keeps it.
inline constexpr char16_t kPauseUntilValue[] = u"pauseUntil";

class RegistryPauseStore final : public PauseStore {
 public:
  explicit RegistryPauseStore(qp::RegistryPort& registry) : registry_(registry) {}
  // 0 when the value is missing, unreadable or not a REG_DWORD.
  int64_t Load() override;
  void Save(int64_t until) override;

 private:
  qp::RegistryPort& registry_;
};

class SystemWallClock final : public WallClock {
 public:
  int64_t NowSeconds() override;
};

}  // namespace qptn
