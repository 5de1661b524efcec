#include "notifier/actions/browser_launch.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "notifier/actions/windows_argv_model.h"

namespace qptn {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

using argv_model::SplitCommandLine;

TEST(BrowserCommandLine, WindowsSplittingGivesTheBrowserTheAddressAsOneArgument) {
  // Registered templates of common browsers and the forms of "%1".
  const std::u16string templates[] = {
      u"\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\"",
      u"\"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe\" --single-argument %1",
      u"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" %1",
      u"\"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe\" --single-argument %1",
      u"\"C:\\b\\browser.exe\" \"%1\" --new-window",
      u"\"C:\\b\\browser.exe\" \"%1\" --user-data-dir=\"C:\\Users\\me\\My Profile\"",
      u"C:\\b\\browser.exe -nohome",
      u"\"C:\\b\\browser.exe\"",
  };
  const std::u16string addresses[] = {
      u"http://h/p?a=1&b=2",
      u"http://x/\\",
      u"http://x/\\\\",
      u"https://x/\\\" --new-window",
      u"http://x/\" --user-data-dir=\"C:\\evil",
      u"http://a b\tc\nd/\\\\\"\\",
      u"HTTPS://h/%22%5C",
  };
  for (const std::u16string& commandTemplate : templates) {
    // What the template alone gives, with a word where the address goes.
    std::u16string withWord = commandTemplate;
    const size_t at = withWord.find(u"%1");
    if (at == std::u16string::npos) {
      withWord += u" WORD";
    } else {
      withWord.replace(at, 2, u"WORD");
    }
    const std::vector<std::u16string> expectedShape = SplitCommandLine(withWord);
    for (const std::u16string& address : addresses) {
      const auto line = BrowserCommandLine(commandTemplate, address);
      ASSERT_TRUE(line) << Narrow(address);
      std::vector<std::u16string> expected = expectedShape;
      for (auto& arg : expected) {
        if (arg == u"WORD") arg = HandOffAddress(address);
      }
      EXPECT_EQ(SplitCommandLine(*line), expected) << Narrow(*line);
    }
  }
}

TEST(DdeOpenCommand, TheUrlFieldIsTheAddressAndNoOtherFieldChanges) {
  const std::u16string addresses[] = {
      u"https://h/compose.php?compose_args=sendto%3Dx\",C:\\Users\\me\\evil.hta,-1,0,\"a=b",
      u"http://x/\\\",y",
      u"http://x/\\",
      u"http://a,b,c/",
  };
  for (const std::u16string& address : addresses) {
    const auto command = DdeOpenCommand(address, 2048);
    ASSERT_TRUE(command);
    // The URL field runs from the first quote to the next one.
    ASSERT_EQ((*command)[0], u'"');
    const size_t close = command->find(u'"', 1);
    ASSERT_NE(close, std::u16string::npos);
    EXPECT_EQ(command->substr(1, close - 1), HandOffAddress(address));
    EXPECT_EQ(command->substr(close), u"\",,-1,0,,,,") << Narrow(*command);
    EXPECT_EQ(HandOffAddress(address).find_first_of(u"\"\\"), std::u16string::npos);
  }
}

TEST(DdeOpenCommand, QuotedAddressOrNothing) {
  EXPECT_EQ(DdeOpenCommand(u"http://a/", 260), u"\"http://a/\",,-1,0,,,,");
  // The command with its terminator must fit: 247 + 12 + 1 = 260.
  const std::u16string fits(247, u'a');
  EXPECT_TRUE(DdeOpenCommand(fits, 260));
  EXPECT_FALSE(DdeOpenCommand(fits + u"b", 260)) << "a cut address is never sent";
  EXPECT_TRUE(DdeOpenCommand(fits + u"b", 2048));
  EXPECT_TRUE(DdeOpenCommand(std::u16string(2035, u'a'), 2048));
  EXPECT_FALSE(DdeOpenCommand(std::u16string(2036, u'a'), 2048));
}

TEST(BrowserCommandLine, TheAddressStaysOneArgument) {
  struct Case {
    const char* name;
    std::u16string commandTemplate;
    std::u16string address;
    std::optional<std::u16string> commandLine;
  };
  const Case cases[] = {
      {"placeholder", u"\"C:\\b.exe\" \"%1\"", u"http://h/p?a=1",
       u"\"C:\\b.exe\" \"http://h/p?a=1\""},
      {"first placeholder only", u"b.exe %1 %1", u"https://h/", u"b.exe https://h/ %1"},
      {"no placeholder: appended", u"b.exe -new", u"https://h/", u"b.exe -new https://h/"},
      {"hostile quotes and spaces", u"b.exe \"%1\"", u"http://a/\" --x \"c:\\evil.exe",
       u"b.exe \"http://a/%22%20--x%20%22c:%5Cevil.exe\""},
      {"trailing backslash", u"b.exe \"%1\" --new-window", u"http://x/\\",
       u"b.exe \"http://x/%5C\" --new-window"},
      {"line feed and tab", u"b.exe %1", u"http://a/\n--x\t", u"b.exe http://a/%0A--x%09"},
      {"delete character", u"b.exe %1", u"http://a/\x7f", u"b.exe http://a/%7F"},
      {"scheme in capitals", u"b.exe %1", u"HTTPS://h/", u"b.exe HTTPS://h/"},
      {"another scheme", u"b.exe %1", u"file:///c:/evil.exe", std::nullopt},
      {"javascript", u"b.exe %1", u"javascript:alert(1)", std::nullopt},
      {"no scheme", u"b.exe %1", u"h/p", std::nullopt},
      {"empty", u"b.exe %1", u"", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto line = BrowserCommandLine(c.commandTemplate, c.address);
    ASSERT_EQ(line.has_value(), c.commandLine.has_value()) << c.name;
    if (line) {
      EXPECT_EQ(Narrow(*line), Narrow(*c.commandLine)) << c.name;
    }
  }
  // The buffer holds 1023 characters and the terminator; longer fails
  // rather than cutting an argument.
  const std::u16string prefix = u"https://h/";
  const std::u16string commandTemplate = u"b.exe %1";  // 6 + address
  EXPECT_TRUE(BrowserCommandLine(commandTemplate, prefix + std::u16string(1007, u'a')));
  EXPECT_FALSE(BrowserCommandLine(commandTemplate, prefix + std::u16string(1008, u'a')));
  // Encoding counts: three characters for each space.
  EXPECT_FALSE(BrowserCommandLine(commandTemplate, prefix + std::u16string(400, u' ')));
}

// A system that records what is asked of it.
class FakeSystem : public BrowserSystem {
 public:
  std::map<HandlerValue, std::u16string> handler;
  bool ddeStarts = true;
  std::set<std::string> topics;       // topics a server answers on
  std::optional<std::string> info;    // the answer to the window-info request
  bool windowFound = true;
  bool processShowsWindow = true;
  std::vector<std::string> log;

  std::optional<std::u16string> Handler(HandlerValue which) override {
    auto it = handler.find(which);
    if (it == handler.end()) return std::nullopt;
    return it->second;
  }
  bool StartDde() override {
    log.push_back("start");
    return ddeStarts;
  }
  void EndDde() override { log.push_back("end"); }
  bool Connect(const std::optional<std::u16string>& service, std::u16string_view topic) override {
    const bool ok = topics.count(Narrow(topic)) > 0;
    log.push_back("connect " + (service ? Narrow(*service) : std::string("*")) + " " +
                  Narrow(topic) + (ok ? "" : " refused"));
    return ok;
  }
  std::optional<std::string> Request(std::u16string_view item, unsigned timeoutMs) override {
    log.push_back("request " + Narrow(item) + " " + std::to_string(timeoutMs));
    return info;
  }
  void Execute(std::u16string_view command) override {
    log.push_back("execute " + Narrow(command));
  }
  void Disconnect() override { log.push_back("disconnect"); }
  bool ActivateWindowTitled(std::u16string_view fragment) override {
    log.push_back("activate " + Narrow(fragment));
    return windowFound;
  }
  bool StartProcess(const std::u16string& commandLine) override {
    log.push_back("process " + Narrow(commandLine));
    return processShowsWindow;
  }
};

using Log = std::vector<std::string>;

TEST(OpenMailWindow, ReusesAnOpenWebMailWindow) {
  struct Case {
    const char* name;
    std::u16string service;  // empty: none registered
    std::optional<std::string> info;
    Log log;
  };
  const std::string kShown = "\"https://h/index.php\",\"Quillpost :: Mail Index - Browser\"";
  const Case cases[] = {
      {"Internet Explorer showing the index is only activated",
       u"IExplore",
       kShown,
       {"start", "connect IExplore WWW_GetWindowInfo", "request 1,0 1000", "disconnect",
        "connect IExplore WWW_Activate", "execute 1", "disconnect", "end"}},
      {"another browser: its web-mail window comes to the front",
       u"Firefox",
       kShown,
       {"start", "connect Firefox WWW_GetWindowInfo", "request 1,0 1000", "disconnect",
        "activate Quillpost ::", "end"}},
      {"the index not shown: a new window",
       u"iexplore",
       std::string("\"https://h/x\",\"Quillpost :: Inbox\""),
       {"start", "connect iexplore WWW_GetWindowInfo", "request 1,0 1000", "disconnect",
        "connect iexplore WWW_OpenURLNewWindow", "execute \"https://h/\",,-1,0,,,,",
        "disconnect", "end"}},
      {"no answer to the request: a new window on the registered topic",
       u"Firefox",
       std::nullopt,
       {"start", "connect Firefox WWW_GetWindowInfo", "request 1,0 1000", "disconnect",
        "connect Firefox WWW_OpenURL", "execute \"https://h/\",,-1,0,,,,", "disconnect",
        "end"}},
  };
  for (const Case& c : cases) {
    FakeSystem system;
    if (!c.service.empty()) system.handler[HandlerValue::kDdeApplication] = c.service;
    system.handler[HandlerValue::kDdeTopic] = u"WWW_OpenURL";
    system.topics = {"WWW_GetWindowInfo", "WWW_Activate", "WWW_OpenURLNewWindow", "WWW_OpenURL"};
    system.info = c.info;
    EXPECT_TRUE(OpenMailWindow(system, u"https://h/")) << c.name;
    EXPECT_EQ(system.log, c.log) << c.name;
  }
}

TEST(OpenUrl, NewWindowOverDdeElseTheCommandLine) {
  FakeSystem dde;
  dde.topics = {"WWW_GetWindowInfo"};  // no topic registered: the info topic opens
  EXPECT_TRUE(OpenUrl(dde, u"https://h/c"));
  EXPECT_EQ(dde.log, (Log{"start", "connect * WWW_GetWindowInfo", "disconnect",
                          "connect * WWW_GetWindowInfo", "execute \"https://h/c\",,-1,0,,,,",
                          "disconnect", "end"}));

  FakeSystem refused;  // a server that answers but not on the open topic
  refused.handler[HandlerValue::kDdeTopic] = u"WWW_OpenURL";
  refused.topics = {"WWW_GetWindowInfo"};
  EXPECT_FALSE(OpenUrl(refused, u"https://h/c"));

  FakeSystem none;
  none.handler[HandlerValue::kCommand] = u"b.exe \"%1\"";
  EXPECT_TRUE(OpenUrl(none, u"https://h/c"));
  EXPECT_EQ(none.log, (Log{"start", "connect * WWW_GetWindowInfo refused",
                           "process b.exe \"https://h/c\"", "end"}));
  none.processShowsWindow = false;
  EXPECT_FALSE(OpenUrl(none, u"https://h/c"));

  FakeSystem unregistered;  // neither DDE nor a command
  EXPECT_FALSE(OpenUrl(unregistered, u"https://h/c"));
  EXPECT_EQ(unregistered.log.back(), "end");

  FakeSystem noDde;
  noDde.ddeStarts = false;
  EXPECT_FALSE(OpenUrl(noDde, u"https://h/c"));
  EXPECT_EQ(noDde.log, Log{"start"});

  // A long address: cut by neither; too long for the mail window's buffer.
  FakeSystem longer;
  longer.topics = {"WWW_GetWindowInfo"};
  const std::u16string address = u"https://h/" + std::u16string(300, u'a');
  EXPECT_TRUE(OpenUrl(longer, address));
  EXPECT_FALSE(OpenMailWindow(longer, address));
  EXPECT_EQ(longer.log.back(), "end") << "the instance is released on every path";

  // What is not a web address reaches neither DDE nor the command line.
  for (const std::u16string address :
       {u"file:///C:/Windows/System32/calc.exe", u"javascript:alert(1)",
        u"\\\\server\\share\\x.hta", u"ms-settings:", u"C:\\evil.exe", u" https://h/",
        u"http:/h/", u""}) {
    FakeSystem hostile;
    hostile.topics = {"WWW_GetWindowInfo"};
    hostile.handler[HandlerValue::kCommand] = u"b.exe %1";
    EXPECT_FALSE(OpenUrl(hostile, address)) << Narrow(address);
    EXPECT_FALSE(OpenMailWindow(hostile, address)) << Narrow(address);
    EXPECT_EQ(hostile.log, Log{}) << Narrow(address);
  }
}

}  // namespace
}  // namespace qptn
