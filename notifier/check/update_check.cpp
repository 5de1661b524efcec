#include "notifier/check/update_check.h"

#include "notifier/app/constants.h"
#include "notifier/service/service_address.h"

namespace qptn {

std::u16string UpdateAnnouncement() {
  return std::u16string(u"A new version of the ") + kNotifierName +
         u" is available and will now be downloaded.";
}

bool CheckForUpdate(MailService& service, UpdateUi& ui, const std::u16string& host,
                    bool privateLabel) {
  int32_t current = kOwnVersion;
  int32_t answered = 0;
  if (service.GetVersion(kUpdateClientId, answered).Ok()) current = answered;
  if (current <= kOwnVersion) return false;
  ui.Announce(UpdateAnnouncement());
  ui.Open(SetupPackageAddress(host, privateLabel));
  return true;
}

}  // namespace qptn
