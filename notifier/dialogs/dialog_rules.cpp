#include "notifier/dialogs/dialog_rules.h"

namespace qptn {

ScreenPoint DialogPlacement(const ScreenRect& parent, int dialogWidth, int dialogHeight) {
  ScreenPoint at;
  at.x = parent.right - dialogWidth;
  at.y = parent.top > 200 ? parent.bottom - dialogHeight : parent.top;
  return at;
}

bool SignInAccepted(const CallOutcome& outcome, const QPTSoapNS::OptString& status) {
  return outcome.Ok() && status && *status == u"active";
}

CallOutcome ClientAccountService::CheckAuth(const Credentials& account,
                                            QPTSoapNS::OptString& status) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.check_auth(auth.Get(), &status);
  });
}

CallOutcome ClientAccountService::GetUrl(const Credentials& account, const std::u16string& type,
                                         const std::u16string& arg, QPTSoapNS::OptString& url) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.get_url(auth.Get(), type, arg, &url);
  });
}

}  // namespace qptn
