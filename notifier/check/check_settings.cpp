#include "notifier/check/check_settings.h"

#include "notifier/settings/accessors.h"

namespace qptn {

CheckSettings LoadCheckSettings(bool internalAccount) {
  CheckSettings settings;
  settings.showLimit = ReadShowLimit();
  settings.intervalMs = ReadCheckInterval(internalAccount) * 60000u;
  settings.sound = ReadSound();
  const unsigned seconds = ReadPopupTime();
  if (seconds > 0) settings.popupDisplayMs = seconds * 1000u;
  return settings;
}

}  // namespace qptn
