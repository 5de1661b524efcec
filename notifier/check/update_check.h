// The automatic update: ask the service for the current version and offer the newer setup package.
#pragma once

#include <cstdint>
#include <string>

#include "notifier/check/mail_service.h"
#include "notifier/check/own_version.h"

namespace qptn {

// How the program names itself to the service.
inline constexpr char16_t kUpdateClientId[] = u"DudiderEzodoZuduza";

// What the update needs of the window system.
class UpdateUi {
 public:
  virtual ~UpdateUi() = default;
  // A message box owned by the main window, title "Quillpost", one OK
  // button, no icon; returns when the user has confirmed.
  virtual void Announce(const std::u16string& text) = 0;
  // Opens the address with the shell's "open" verb; the result is ignored.
  virtual void Open(const std::u16string& address) = 0;
};

// The announcement's text.
std::u16string UpdateAnnouncement();

// True when the service names a version above kOwnVersion: the user was
// told and the package address opened. A failed call counts as no newer
// version.
bool CheckForUpdate(MailService& service, UpdateUi& ui, const std::u16string& host,
                    bool privateLabel);

}  // namespace qptn
