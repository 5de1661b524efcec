// The message actions behind the popup's buttons and the tray: each asks
// the service for the address of the right web-mail page and opens it in
// the browser, or tells the service to change the message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "notifier/check/mail_service.h"
#include "notifier/service/soap_fault.h"
#include "notifier/service/soap_records.h"

namespace qptn {

using QPTSoapNS::OptString;

// The service operations of the actions; each is one call.
class PageService {
 public:
  virtual ~PageService() = default;
  virtual CallOutcome GetAuthUrl(const Credentials& account, const std::u16string& type,
                                 OptString& url) = 0;
  virtual CallOutcome GetMessageUrl(const Credentials& account, const QPTSoapNS::UIDSTR& message,
                                    const std::u16string& type, OptString& url) = 0;
  virtual CallOutcome GetGenericPref(const Credentials& account, const std::u16string& pref,
                                     int32_t defaultValue, OptString& result) = 0;
  // One message; `arg` may be null.
  virtual CallOutcome ApplyAction(const Credentials& account, const QPTSoapNS::UIDSTR& message,
                                  const std::u16string& action, const OptString& arg) = 0;
};

// Where the pages open.
class PageBrowser {
 public:
  virtual ~PageBrowser() = default;
  virtual bool OpenMailWindow(const std::u16string& address) = 0;
  virtual bool OpenUrl(const std::u16string& address) = 0;
  // The shell's "open" verb, for the start page when the service gave none.
  virtual void OpenWithShell(const std::u16string& address) = 0;
};

// What the actions ask of the application.
class ActionsHost {
 public:
  virtual ~ActionsHost() = default;
  virtual unsigned AccountCount() = 0;
  virtual Credentials Account(unsigned index) = 0;
  // The account with the most new mail in the last check, or the one the
  // user picked in the tray menu.
  virtual unsigned SelectedAccount() = 0;
  // One unread message fewer (never below 0), shown in the tray's tip.
  virtual void DecrementUnread() = 0;
  virtual void ShowError(unsigned account, const std::u16string& text,
                         const QPTSoap::SoapFault& fault) = 0;
};

inline constexpr char16_t kNoPageAddressText[] = u"Couldn't obtain Quillpost URL from the server.";

enum class MessagePage { kView, kQuickView, kReply, kReplyAll, kForward };

class MessageActions {
 public:
  // `startPage` opens when the service gives no start address.
  MessageActions(PageService& service, PageBrowser& browser, ActionsHost& host,
                 std::u16string startPage)
      : service_(service), browser_(browser), host_(host), startPage_(std::move(startPage)) {}

  // The web mail of the selected account, in a browser window of its own
  // or the one that already shows it.
  void LaunchMail();
  void OpenPage(unsigned account, const QPTSoapNS::Message* message, MessagePage page);
  // "purge" when the account keeps no trash, else "delete"; true when the
  // server accepted it.
  bool Delete(unsigned account, const QPTSoapNS::Message* message);
  void MarkRead(unsigned account, const QPTSoapNS::Message* message);
  void MarkSpam(unsigned account, const QPTSoapNS::Message* message);

 private:
  bool Known(unsigned account) { return account < host_.AccountCount(); }
  void Mark(unsigned account, const QPTSoapNS::Message* message, const char16_t* action);

  PageService& service_;
  PageBrowser& browser_;
  ActionsHost& host_;
  const std::u16string startPage_;
};

// The mailto: hand-off: the compose page of `account` (the first stored
// one) with the link's recipients, subject and body, in a new browser
// window. Without an account, a link or a compose address nothing opens;
// nothing is reported either way.
void OpenComposePage(PageService& service, PageBrowser& browser,
                     const std::optional<Credentials>& account, const std::u16string& link);

// The delete action for what "no_trash" answered.
std::u16string DeleteActionFor(const CallOutcome& outcome, const OptString& noTrash);

// The actions' service calls over the notifier's shared client.
class ClientPageService final : public PageService {
 public:
  explicit ClientPageService(QPTSoap::SharedClient& client) : client_(client) {}
  CallOutcome GetAuthUrl(const Credentials& account, const std::u16string& type,
                         OptString& url) override;
  CallOutcome GetMessageUrl(const Credentials& account, const QPTSoapNS::UIDSTR& message,
                            const std::u16string& type, OptString& url) override;
  CallOutcome GetGenericPref(const Credentials& account, const std::u16string& pref,
                             int32_t defaultValue, OptString& result) override;
  CallOutcome ApplyAction(const Credentials& account, const QPTSoapNS::UIDSTR& message,
                          const std::u16string& action, const OptString& arg) override;

 private:
  QPTSoap::SharedClient& client_;
};

}  // namespace qptn
