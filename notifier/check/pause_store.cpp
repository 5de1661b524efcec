#include "notifier/check/pause_store.h"

#include <chrono>
#include <cstring>

#include "notifier/settings/settings.h"

namespace qptn {

int64_t RegistryPauseStore::Load() {
  qp::OpenedKey opened = registry_.OpenKey(qp::RegistryRoot::kCurrentUser, kSettingsKey,
                                           qp::RegistryAccess::kQueryValues);
  if (!opened.status.Ok()) return 0;
  qp::RegType type = qp::RegType::kNone;
  uint8_t data[4] = {};
  uint32_t bytes = sizeof data;
  if (!opened.key->QueryValue(kPauseUntilValue, &type, data, bytes).Ok() ||
      type != qp::RegType::kDword || bytes != sizeof data) {
    return 0;
  }
  uint32_t until = 0;
  std::memcpy(&until, data, sizeof until);
  return until;
}

void RegistryPauseStore::Save(int64_t until) {
  if (until <= 0 || until > UINT32_MAX) {
    qp::OpenedKey opened =
        registry_.OpenKey(qp::RegistryRoot::kCurrentUser, kSettingsKey, qp::RegistryAccess::kAll);
    if (opened.status.Ok()) opened.key->DeleteValue(kPauseUntilValue);
    return;
  }
  qp::OpenedKey opened =
      registry_.CreateKey(qp::RegistryRoot::kCurrentUser, kSettingsKey, qp::RegistryAccess::kAll);
  if (!opened.status.Ok()) return;
  const uint32_t value = static_cast<uint32_t>(until);
  opened.key->SetValue(kPauseUntilValue, qp::RegType::kDword, &value, sizeof value);
}

int64_t SystemWallClock::NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace qptn
