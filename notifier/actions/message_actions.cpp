#include "notifier/actions/message_actions.h"

#include "notifier/actions/text_rewrite.h"
#include "notifier/tray/tray_status.h"

namespace qptn {

namespace {

bool Identified(const QPTSoapNS::Message* message) {
  return message != nullptr && message->uidstr.path && message->uidstr.uid;
}

const char16_t* TypeWord(MessagePage page) {
  switch (page) {
    case MessagePage::kReply:
      return u"reply";
    case MessagePage::kReplyAll:
      return u"replyall";
    case MessagePage::kForward:
      return u"forward";
    default:  // the quick view asks for the view page and rewrites it
      return u"view";
  }
}

}  // namespace

void MessageActions::LaunchMail() {
  const unsigned selected = host_.SelectedAccount();
  if (!Known(selected)) return;
  const Credentials account = host_.Account(selected);
  OptString url;
  const CallOutcome outcome = service_.GetAuthUrl(account, u"index", url);
  if (outcome.Ok() && url && !url->empty()) {
    browser_.OpenMailWindow(*url);
    return;
  }
  host_.ShowError(kNoAccount, kNoPageAddressText, outcome.fault);
  // The user still reaches the web mail's sign-in page.
  browser_.OpenWithShell(startPage_);
}

void MessageActions::OpenPage(unsigned account, const QPTSoapNS::Message* message,
                              MessagePage page) {
  if (!Identified(message) || !Known(account)) return;
  const Credentials credentials = host_.Account(account);
  OptString url;
  const CallOutcome outcome =
      service_.GetMessageUrl(credentials, message->uidstr, TypeWord(page), url);
  if (!outcome.Ok() || !url) {
    host_.ShowError(kNoAccount, kNoPageAddressText, outcome.fault);
    return;
  }
  host_.DecrementUnread();
  browser_.OpenUrl(page == MessagePage::kQuickView ? QuickViewAddress(*url) : *url);
}

std::u16string DeleteActionFor(const CallOutcome& outcome, const OptString& noTrash) {
  const bool purge = outcome.Ok() && noTrash && !noTrash->empty() && (*noTrash)[0] != u'0';
  return purge ? u"purge" : u"delete";
}

bool MessageActions::Delete(unsigned account, const QPTSoapNS::Message* message) {
  if (!Identified(message) || !Known(account)) return false;
  const Credentials credentials = host_.Account(account);
  OptString noTrash;
  const CallOutcome pref = service_.GetGenericPref(credentials, u"no_trash", 0, noTrash);
  const CallOutcome done = service_.ApplyAction(credentials, message->uidstr,
                                                DeleteActionFor(pref, noTrash), std::nullopt);
  if (!done.Ok()) return false;
  host_.DecrementUnread();
  return true;
}

void MessageActions::Mark(unsigned account, const QPTSoapNS::Message* message,
                          const char16_t* action) {
  if (message == nullptr || !Known(account)) return;
  const Credentials credentials = host_.Account(account);
  if (service_.ApplyAction(credentials, message->uidstr, action, std::u16string()).Ok()) {
    host_.DecrementUnread();
  }
}

void MessageActions::MarkRead(unsigned account, const QPTSoapNS::Message* message) {
  Mark(account, message, u"markRead");
}

void MessageActions::MarkSpam(unsigned account, const QPTSoapNS::Message* message) {
  Mark(account, message, u"markSpam");
}

void OpenComposePage(PageService& service, PageBrowser& browser,
                     const std::optional<Credentials>& account, const std::u16string& link) {
  if (!account || link.empty()) return;
  OptString url;
  const QPTSoapNS::UIDSTR none;  // no message: both parts null
  if (!service.GetMessageUrl(*account, none, u"compose", url).Ok() || !url || url->empty()) {
    return;
  }
  browser.OpenUrl(ComposeAddressFor(*url, link));
}

// --- the calls over the shared client ------------------------------------------

CallOutcome ClientPageService::GetAuthUrl(const Credentials& account, const std::u16string& type,
                                          OptString& url) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.get_auth_url(auth.Get(), type, &url);
  });
}

CallOutcome ClientPageService::GetMessageUrl(const Credentials& account,
                                             const QPTSoapNS::UIDSTR& message,
                                             const std::u16string& type, OptString& url) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.get_message_url(auth.Get(), message, type, &url);
  });
}

CallOutcome ClientPageService::GetGenericPref(const Credentials& account,
                                              const std::u16string& pref, int32_t defaultValue,
                                              OptString& result) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.get_generic_pref(auth.Get(), pref, defaultValue, &result);
  });
}

CallOutcome ClientPageService::ApplyAction(const Credentials& account,
                                           const QPTSoapNS::UIDSTR& message,
                                           const std::u16string& action, const OptString& arg) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.apply_action(auth.Get(), &message, 1, action, arg);
  });
}

}  // namespace qptn
