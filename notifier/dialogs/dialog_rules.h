// The dialogs' rules that need no window: where a dialog opens beside its
// parent, when a sign-in counts, the header's version text, and the
// service calls the dialogs make.
#pragma once

#include <string>

#include "notifier/check/mail_service.h"
#include "notifier/service/soap_records.h"
#include "notifier/check/own_version.h"

namespace qptn {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Right-aligned with the parent; top-aligned, or bottom-aligned when the
// parent's top is below 200 (a taskbar at the bottom). Returns the top-left.
struct ScreenPoint {
  int x = 0, y = 0;
};
ScreenPoint DialogPlacement(const ScreenRect& parent, int dialogWidth, int dialogHeight);

// A sign-in counts when the call succeeded and the status is exactly "active".
bool SignInAccepted(const CallOutcome& outcome, const QPTSoapNS::OptString& status);

inline constexpr char16_t kDialogTitle[] = u"Desktop Notifier";
inline constexpr char16_t kAccountHeading[] = u"Quillpost Information";
inline constexpr char16_t kSettingsHeading[] = u"Settings";
inline constexpr char16_t kHelpTopic[] = u"3831";

// The service calls of the dialogs; each is one call.
class AccountService {
 public:
  virtual ~AccountService() = default;
  virtual CallOutcome CheckAuth(const Credentials& account, QPTSoapNS::OptString& status) = 0;
  virtual CallOutcome GetUrl(const Credentials& account, const std::u16string& type,
                             const std::u16string& arg, QPTSoapNS::OptString& url) = 0;
};

class ClientAccountService final : public AccountService {
 public:
  explicit ClientAccountService(QPTSoap::SharedClient& client) : client_(client) {}
  CallOutcome CheckAuth(const Credentials& account, QPTSoapNS::OptString& status) override;
  CallOutcome GetUrl(const Credentials& account, const std::u16string& type,
                     const std::u16string& arg, QPTSoapNS::OptString& url) override;

 private:
  QPTSoap::SharedClient& client_;
};

}  // namespace qptn
