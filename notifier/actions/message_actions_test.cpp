#include "notifier/actions/message_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qptn {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }
std::string Narrow(const OptString& s) { return s ? Narrow(*s) : std::string("null"); }

using Log = std::vector<std::string>;

// The service, the browser and the application, writing one log.
class Fakes : public PageService, public PageBrowser, public ActionsHost {
 public:
  Log log;
  bool callsSucceed = true;
  OptString url = std::u16string(u"https://h/view.php?sid=1&uid=7");
  OptString noTrash = std::u16string(u"0");
  bool prefSucceeds = true;
  unsigned accounts = 2;
  unsigned selected = 1;
  QPTSoap::SoapFault fault;

  CallOutcome Outcome(bool ok) {
    CallOutcome o;
    o.code = ok ? 0 : -1;
    if (!ok) o.fault = fault;
    return o;
  }
  CallOutcome GetAuthUrl(const Credentials& a, const std::u16string& type,
                         OptString& out) override {
    log.push_back("get_auth_url " + Narrow(a.address) + " " + Narrow(type));
    if (callsSucceed) out = url;
    return Outcome(callsSucceed);
  }
  CallOutcome GetMessageUrl(const Credentials& a, const QPTSoapNS::UIDSTR& m,
                            const std::u16string& type, OptString& out) override {
    log.push_back("get_message_url " + Narrow(a.address) + " " + Narrow(m.uid) + " " +
                  Narrow(type));
    if (callsSucceed) out = url;
    return Outcome(callsSucceed);
  }
  CallOutcome GetGenericPref(const Credentials&, const std::u16string& pref, int32_t def,
                             OptString& out) override {
    log.push_back("get_generic_pref " + Narrow(pref) + " " + std::to_string(def));
    if (prefSucceeds) out = noTrash;
    return Outcome(prefSucceeds);
  }
  CallOutcome ApplyAction(const Credentials& a, const QPTSoapNS::UIDSTR& m,
                          const std::u16string& action, const OptString& arg) override {
    log.push_back("apply_action " + Narrow(a.address) + " " + Narrow(m.uid) + " " +
                  Narrow(action) + " arg=" + (arg ? "\"" + Narrow(*arg) + "\"" : "null"));
    return Outcome(callsSucceed);
  }
  bool OpenMailWindow(const std::u16string& address) override {
    log.push_back("mail window " + Narrow(address));
    return true;
  }
  bool OpenUrl(const std::u16string& address) override {
    log.push_back("url " + Narrow(address));
    return true;
  }
  void OpenWithShell(const std::u16string& address) override {
    log.push_back("shell " + Narrow(address));
  }
  unsigned AccountCount() override { return accounts; }
  Credentials Account(unsigned index) override {
    return {u"a" + std::u16string(1, char16_t(u'0' + index)) + u"@q", u"pw"};
  }
  unsigned SelectedAccount() override { return selected; }
  void DecrementUnread() override { log.push_back("unread -1"); }
  void ShowError(unsigned account, const std::u16string& text,
                 const QPTSoap::SoapFault& f) override {
    log.push_back("error " + std::to_string(account) + " " + Narrow(text) +
                  (f.faultstring.empty() ? "" : " fault=" + Narrow(f.faultstring)));
  }
};

QPTSoapNS::Message Mail(OptString path = std::u16string(u"INBOX"),
                        OptString uid = std::u16string(u"7")) {
  QPTSoapNS::Message m;
  m.uidstr.path = std::move(path);
  m.uidstr.uid = std::move(uid);
  return m;
}

TEST(MessageActions, PagesOpenWhatTheServiceAddresses) {
  struct Case {
    MessagePage page;
    Log log;
  };
  const Case cases[] = {
      {MessagePage::kView,
       {"get_message_url a1@q 7 view", "unread -1", "url https://h/view.php?sid=1&uid=7"}},
      {MessagePage::kQuickView,
       {"get_message_url a1@q 7 view", "unread -1",
        "url https://h/view_print_multi.php?sid=1&list=7"}},
      {MessagePage::kReply, {"get_message_url a1@q 7 reply", "unread -1", "url https://h/view.php?sid=1&uid=7"}},
      {MessagePage::kReplyAll,
       {"get_message_url a1@q 7 replyall", "unread -1", "url https://h/view.php?sid=1&uid=7"}},
      {MessagePage::kForward,
       {"get_message_url a1@q 7 forward", "unread -1", "url https://h/view.php?sid=1&uid=7"}},
  };
  for (const Case& c : cases) {
    Fakes f;
    MessageActions actions(f, f, f, u"https://start/");
    const QPTSoapNS::Message m = Mail();
    actions.OpenPage(1, &m, c.page);
    EXPECT_EQ(f.log, c.log);
  }

  // A failed address request: the balloon, nothing opened, nothing counted.
  Fakes failing;
  failing.callsSucceed = false;
  failing.fault.faultstring = u"Session expired";
  failing.fault.code = QPTSoap::kFaultClient;
  MessageActions actions(failing, failing, failing, u"https://start/");
  const QPTSoapNS::Message m = Mail();
  actions.OpenPage(0, &m, MessagePage::kReply);
  EXPECT_EQ(failing.log,
            (Log{"get_message_url a0@q 7 reply",
                 "error 999 Couldn't obtain Quillpost URL from the server. fault=Session expired"}));
}

TEST(MessageActions, NothingHappensWithoutAMessageOrAnAccount) {
  Fakes f;
  MessageActions actions(f, f, f, u"https://start/");
  const QPTSoapNS::Message noPath = Mail(std::nullopt);
  const QPTSoapNS::Message noUid = Mail(std::u16string(u"INBOX"), std::nullopt);
  const QPTSoapNS::Message m = Mail();
  actions.OpenPage(0, nullptr, MessagePage::kView);
  actions.OpenPage(0, &noPath, MessagePage::kView);
  actions.OpenPage(0, &noUid, MessagePage::kReply);
  actions.OpenPage(2, &m, MessagePage::kView);  // only two accounts
  EXPECT_FALSE(actions.Delete(0, &noUid));
  EXPECT_FALSE(actions.Delete(5, &m));
  actions.MarkRead(0, nullptr);
  actions.MarkSpam(2, &m);
  f.selected = 2;
  actions.LaunchMail();
  EXPECT_EQ(f.log, Log{});
}

TEST(MessageActions, DeletePurgesWhereTheAccountKeepsNoTrash) {
  struct Case {
    bool prefSucceeds;
    OptString noTrash;
    const char* action;
  };
  const Case cases[] = {
      {true, std::u16string(u"1"), "purge"},  {true, std::u16string(u"yes"), "purge"},
      {true, std::u16string(u"0"), "delete"}, {true, std::u16string(u"00"), "delete"},
      {true, std::u16string(u"0x"), "delete"}, {true, std::u16string(u""), "delete"},
      {true, std::nullopt, "delete"},         {false, std::u16string(u"1"), "delete"},
  };
  for (const Case& c : cases) {
    Fakes f;
    f.prefSucceeds = c.prefSucceeds;
    f.noTrash = c.noTrash;
    MessageActions actions(f, f, f, u"https://start/");
    const QPTSoapNS::Message m = Mail();
    EXPECT_TRUE(actions.Delete(1, &m));
    EXPECT_EQ(f.log, (Log{"get_generic_pref no_trash 0",
                          std::string("apply_action a1@q 7 ") + c.action + " arg=null",
                          "unread -1"}))
        << Narrow(c.noTrash);
  }
  Fakes refused;
  refused.callsSucceed = false;
  MessageActions actions(refused, refused, refused, u"https://start/");
  const QPTSoapNS::Message m = Mail();
  EXPECT_FALSE(actions.Delete(0, &m));
  EXPECT_EQ(refused.log.back(), "apply_action a0@q 7 delete arg=null") << "no count change";
}

TEST(MessageActions, MarksSendAnEmptyArgument) {
  Fakes f;
  MessageActions actions(f, f, f, u"https://start/");
  const QPTSoapNS::Message m = Mail();
  actions.MarkRead(0, &m);
  actions.MarkSpam(1, &m);
  f.callsSucceed = false;
  actions.MarkRead(0, &m);
  EXPECT_EQ(f.log, (Log{"apply_action a0@q 7 markRead arg=\"\"", "unread -1",
                        "apply_action a1@q 7 markSpam arg=\"\"", "unread -1",
                        "apply_action a0@q 7 markRead arg=\"\""}));
}

TEST(MessageActions, LaunchOpensTheIndexOrTheStartPage) {
  Fakes f;
  f.url = std::u16string(u"https://h/index.php?sid=2");
  MessageActions actions(f, f, f, u"https://start/");
  actions.LaunchMail();
  EXPECT_EQ(f.log, (Log{"get_auth_url a1@q index", "mail window https://h/index.php?sid=2"}));

  Fakes failing;
  failing.callsSucceed = false;
  MessageActions fallback(failing, failing, failing, u"https://start/");
  fallback.LaunchMail();
  EXPECT_EQ(failing.log, (Log{"get_auth_url a1@q index",
                              "error 999 Couldn't obtain Quillpost URL from the server.",
                              "shell https://start/"}));
}

TEST(OpenComposePage, TheLinkGoesToTheFirstAccountsComposePage) {
  Fakes f;
  f.url = std::u16string(u"https://h/compose.php?user=a");
  const Credentials first{u"a0@q", u"pw"};
  OpenComposePage(f, f, first, u"mailto:ann@example.org?subject=Hi&body=50%");
  EXPECT_EQ(f.log, (Log{"get_message_url a0@q null compose",
                        "url https://h/compose.php?user=a&compose_args=sendto%3Dann@example.org"
                        "%26subject%3DHi%26body%3D50%25"}));
  struct Case {
    const char* name;
    bool withAccount;
    std::u16string link;
    bool callSucceeds;
    OptString url;
    size_t calls;
  };
  const Case quiet[] = {
      {"no account", false, u"mailto:x", true, std::u16string(u"https://h/c"), 0},
      {"no link", true, u"", true, std::u16string(u"https://h/c"), 0},
      {"service failure", true, u"mailto:x", false, std::u16string(u"https://h/c"), 1},
      {"no address", true, u"mailto:x", true, std::nullopt, 1},
      {"empty address", true, u"mailto:x", true, std::u16string(), 1},
  };
  for (const Case& c : quiet) {
    Fakes g;
    g.callsSucceed = c.callSucceeds;
    g.url = c.url;
    OpenComposePage(g, g, c.withAccount ? std::optional<Credentials>(first) : std::nullopt,
                    c.link);
    EXPECT_EQ(g.log.size(), c.calls) << c.name;
  }
}

}  // namespace
}  // namespace qptn
