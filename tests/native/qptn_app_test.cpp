#include "notifier/core/qptn_app.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "notifier/service/soap_client.h"
#include "tests/support/fake_soap_client.h"

namespace qptn {
namespace {

using Qptn = QptnT<5, QPTSoap::CQPTSoapT<QPTSoap::FakeSoapClient>>;

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c == u'\n' ? '|' : (c < 128 ? static_cast<char>(c) : '?');
  return out;
}

// Both fakes write into one log, so the tests see the order of platform and
// tray calls together.
struct CallLog {
  std::vector<std::string> calls;
};

class FakeTray : public TrayPort {
 public:
  explicit FakeTray(CallLog& log) : log_(log) {}
  void Add(int id) override { log_.calls.push_back("Add " + std::to_string(id)); }
  void SetIcon(int id) override { log_.calls.push_back("SetIcon " + std::to_string(id)); }
  void SetTip(const std::u16string& t) override { log_.calls.push_back("SetTip " + Narrow(t)); }
  void Balloon(const std::u16string& t, bool error) override {
    log_.calls.push_back(std::string(error ? "Error " : "Info ") + Narrow(t));
  }
  void Remove() override { log_.calls.push_back("Remove"); }

 private:
  CallLog& log_;
};

class FakePlatform : public AppPlatform {
 public:
  explicit FakePlatform(CallLog& log) : log_(log) {}
  bool CreateMainWindow(const std::u16string& title) override {
    log_.calls.push_back("CreateMainWindow " + Narrow(title));
    return windowCreated;
  }
  void InitializeCom() override { log_.calls.push_back("InitializeCom"); }
  void RegisterTaskbarCreated() override { log_.calls.push_back("RegisterTaskbarCreated"); }
  void SetTimer(unsigned id, unsigned ms) override {
    log_.calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(unsigned id) override { log_.calls.push_back("KillTimer " + std::to_string(id)); }
  void PostQuit(int code) override { log_.calls.push_back("PostQuit " + std::to_string(code)); }
  void ShowTrayMenu(const TrayMenu& menu) override {
    std::string line = std::string("Menu ") + (menu.busy ? "busy" : "idle");
    for (const auto& a : menu.accounts) line += " " + Narrow(a);
    log_.calls.push_back(line);
  }
  bool windowCreated = true;

 private:
  CallLog& log_;
};

class AppTest : public ::testing::Test {
 protected:
  // Makes one call of the client fail: with a status-500 fault of that code,
  // or, for code 0, without any fault.
  void FailNextCallWith(int code, const std::u16string& faultstring) {
    const char* faultcode = code == 300 ? "Client" : code == 200 ? "MustUnderstand" : "Server";
    if (code == 0) {
      app.soap.Client().QueueSendFailure();
    } else {
      app.soap.Client().Queue(
          500, std::string("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                           "<soap:Body><soap:Fault><faultcode>soap:") +
                   faultcode + "</faultcode><faultstring>" + Narrow(faultstring) +
                   "</faultstring></soap:Fault></soap:Body></soap:Envelope>");
    }
    QPTSoapNS::OptString result;
    ASSERT_LT(app.soap.check_auth({u"a@x.example", u"p"}, &result), 0);
    ASSERT_EQ(app.soap.LastFault().code, code);
  }

  std::vector<std::string> Take() { return std::exchange(log.calls, {}); }
  void SetAccounts(std::initializer_list<const char16_t*> list) {
    app.accountCount = 0;
    for (const char16_t* a : list) app.addresses[app.accountCount++] = a;
  }

  CallLog log;
  FakeTray tray{log};
  FakePlatform platform{log};
  Qptn app{platform, tray};
};

using Calls = std::vector<std::string>;

TEST_F(AppTest, StartupRunsItsStepsInOrder) {
  ASSERT_TRUE(app.Startup());
  EXPECT_EQ(Take(), (Calls{"CreateMainWindow Quillpost Desktop Notifier", "InitializeCom",
                           "RegisterTaskbarCreated", "Add 108", "SetIcon 108", "SetTimer 3 5000"}));
  EXPECT_EQ(app.currentIcon, kIconNoMail);
  EXPECT_FALSE(app.animationGate.IsOpen()) << "start-up closes the animation gate";
  EXPECT_EQ(app.checkIntervalMs, 600000u);
  EXPECT_EQ(app.showLimit, 5u);
  EXPECT_EQ(Narrow(app.serviceAddress), "https://mail.quillpost.com/soap/public.php?version=1");
}

TEST_F(AppTest, StartupUsesTheConfiguredHost) {
  app.host.value = u"127.0.0.1:18080";
  ASSERT_TRUE(app.Startup());
  EXPECT_EQ(Narrow(app.serviceAddress), "http://127.0.0.1:18080/soap/public.php?version=1");
  ASSERT_FALSE(app.soap.Client().endpoints.empty());
  EXPECT_EQ(Narrow(app.soap.Client().endpoints.back()), Narrow(app.serviceAddress))
      << "the service client must post to the configured host";
}

TEST_F(AppTest, StartupStopsWhenTheWindowCannotBeCreated) {
  platform.windowCreated = false;
  EXPECT_FALSE(app.Startup());
  EXPECT_EQ(Take(), (Calls{"CreateMainWindow Quillpost Desktop Notifier"}));
  EXPECT_TRUE(app.animationGate.IsOpen());
}

TEST_F(AppTest, CommandTable) {
  struct Case {
    unsigned id;
    Calls calls;
    unsigned selected;
    bool showNew;
  };
  const Case cases[] = {
      {kCmdExit, {"PostQuit 0"}, 7, false},
      {kCmdCheckNow, {"KillTimer 2", "SetTimer 2 600000"}, 7, false},
      {kCmdShowNew, {"KillTimer 2", "SetTimer 2 600000"}, 7, true},
      {kCmdLaunch, {}, 7, false},
      {32790, {}, 0, false},
      {32794, {}, 4, false},
      {32799, {}, 9, false},
      {32789, {}, 7, false},
      {32800, {}, 7, false},
      {0, {}, 7, false},
  };
  for (const Case& c : cases) {
    app.checkIntervalMs = 600000;
    app.selectedAccount = 7;
    app.showNewRequested = false;
    app.animating = true;
    app.OnCommand(c.id);
    EXPECT_EQ(Take(), c.calls) << "command " << c.id;
    EXPECT_EQ(app.selectedAccount, c.selected) << "command " << c.id;
    EXPECT_EQ(app.showNewRequested, c.showNew) << "command " << c.id;
    EXPECT_EQ(app.animating, c.id != kCmdExit) << "command " << c.id;
  }
}

TEST_F(AppTest, TrayCallbacks) {
  struct Case {
    unsigned notification;
    Calls calls;
    bool flagAfter;
  };
  const Case cases[] = {
      {kTrayRightUp, {"SetTip 1 unread message.", "SetIcon 109", "Menu idle"}, false},
      {kTrayContextMenu, {"SetTip 1 unread message.", "SetIcon 109", "Menu idle"}, false},
      {kTrayLeftDown, {"SetTip 1 unread message.", "SetIcon 109"}, false},
      {kTrayLeftDouble, {}, true},
      {0x0200 /* WM_MOUSEMOVE */, {}, true},
  };
  for (const Case& c : cases) {
    app.unreadTotal = 1;
    app.newMailFlag = true;
    app.OnTrayCallback(c.notification);
    EXPECT_EQ(Take(), c.calls) << "notification " << c.notification;
    EXPECT_EQ(app.newMailFlag, c.flagAfter) << "notification " << c.notification;
  }
}

TEST_F(AppTest, RightClickWithoutNewMailOnlyOpensTheMenu) {
  app.OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(Take(), (Calls{"Menu idle"}));
}

TEST_F(AppTest, MenuGreysWhileBusyAndListsTwoOrMoreAccounts) {
  SetAccounts({u"a@quillpost.com"});
  EXPECT_FALSE(app.Menu().busy);
  EXPECT_TRUE(app.Menu().accounts.empty()) << "one account keeps Launch a plain command";
  app.checking = true;
  EXPECT_TRUE(app.Menu().busy);
  app.checking = false;
  app.popupBusy = true;
  EXPECT_TRUE(app.Menu().busy);
  app.popupBusy = false;

  SetAccounts({u"a@x.example", u"b@x.example", u"c@x.example"});
  app.addresses[3] = u"stale@x.example";  // beyond accountCount: never listed
  app.OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(Take(), (Calls{"Menu idle a@x.example b@x.example c@x.example"}));
}

TEST_F(AppTest, RefreshTipForUnreadCounts) {
  struct Case {
    unsigned unread;
    bool newMail;
    bool animating;
    Calls calls;
    int icon;
  };
  const Case cases[] = {
      {0, false, false, {"SetIcon 108", "SetTip No unread messages."}, 108},
      {0, true, false, {"SetIcon 108", "SetTip No unread messages."}, 108},
      {1, false, false, {"SetTip 1 unread message.", "SetIcon 109"}, 109},
      {2, false, false, {"SetTip 2 unread messages.", "SetIcon 109"}, 109},
      {4294967295u, false, false, {"SetTip 4294967295 unread messages.", "SetIcon 109"}, 109},
      {3, true, false, {"SetTip You have mail!", "SetIcon 157"}, 157},
      // While the icon animates only the resting icon changes.
      {2, false, true, {"SetTip 2 unread messages."}, 109},
      {0, false, true, {"SetTip No unread messages."}, 108},
  };
  for (const Case& c : cases) {
    app.unreadTotal = c.unread;
    app.newMailFlag = c.newMail;
    app.animating = c.animating;
    app.currentIcon = 0;
    app.RefreshTip();
    EXPECT_EQ(Take(), c.calls) << "unread " << c.unread;
    EXPECT_EQ(app.currentIcon, c.icon) << "unread " << c.unread;
  }
}

TEST_F(AppTest, ClearNewMailFlagRefreshesOnlyWhenSet) {
  app.unreadTotal = 2;
  app.ClearNewMailFlag();
  EXPECT_TRUE(Take().empty());
  app.newMailFlag = true;
  app.userActivity();
  EXPECT_FALSE(app.newMailFlag);
  EXPECT_EQ(Take(), (Calls{"SetTip 2 unread messages.", "SetIcon 109"}));
}

TEST_F(AppTest, ShowErrorBalloons) {
  struct Case {
    const char* name;
    bool timerCheck;
    int faultCode;
    std::u16string faultString;
    unsigned accounts;
    unsigned account;
    const char16_t* text;
    Calls calls;
  };
  const Case cases[] = {
      {"plain", false, 0, u"", 1, 0, u"Cannot connect", {"Error Cannot connect"}},
      {"timer check stays silent", true, 300, u"Wrong password", 2, 1, u"Cannot connect", {}},
      {"client fault replaces", false, 300, u"Wrong password", 1, 0, u"x", {"Error Wrong password"}},
      {"empty client fault keeps", false, 300, u"", 1, 0, u"Cannot connect", {"Error Cannot connect"}},
      {"server fault keeps", false, 200, u"Internal", 1, 0, u"Cannot connect", {"Error Cannot connect"}},
      {"null text, no fault", false, 0, u"", 1, 0, nullptr, {}},
      {"null text, client fault", false, 300, u"Locked", 1, 0, nullptr, {"Error Locked"}},
      {"second of two accounts", false, 0, u"", 2, 1, u"Cannot connect",
       {"Error b@x.example|Cannot connect"}},
      {"no single account", false, 0, u"", 2, kNoAccount, u"Cannot connect", {"Error Cannot connect"}},
      {"index beyond the count", false, 0, u"", 2, 2, u"Cannot connect", {"Error Cannot connect"}},
      {"one account, no address", false, 0, u"", 1, 0, u"Oops", {"Error Oops"}},
  };
  for (const Case& c : cases) {
    app.timerCheck = c.timerCheck;
    FailNextCallWith(c.faultCode, c.faultString);
    app.accountCount = c.accounts;
    app.addresses[0] = u"a@x.example";
    app.addresses[1] = u"b@x.example";
    app.addresses[2] = u"c@x.example";
    app.ShowError(c.account, c.text);
    EXPECT_EQ(Take(), c.calls) << c.name;
  }
}

TEST_F(AppTest, ShowErrorCutsTheTextToTheBalloonBuffer) {
  SetAccounts({u"a@x.example", u"b@x.example"});
  const std::u16string longText(2000, u'e');
  app.ShowError(1, longText.c_str());
  const Calls calls = Take();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].size(), std::string("Error ").size() + 1023);
  EXPECT_EQ(calls[0].substr(0, 19), "Error b@x.example|e");
}

TEST_F(AppTest, TaskbarRestartReaddsTheCurrentIcon) {
  app.currentIcon = kIconUnread;
  app.OnTaskbarCreated();
  EXPECT_EQ(Take(), (Calls{"Add 109"}));
}

TEST_F(AppTest, GreetingBalloon) {
  app.Greet();
  EXPECT_EQ(Take(), (Calls{"Info Desktop Notifier"}));
}

TEST_F(AppTest, PopupFinishedReleasesTheSemaphoreUpToOne) {
  app.OnPopupFinished();
  app.OnPopupFinished();
  EXPECT_EQ(app.popupDone.Count(), 1u);
}

TEST_F(AppTest, AnimationStepsThroughTheFramesInOrder) {
  app.animationFrames = {1, 2};  // discarded by the thread
  app.animationIndex = 3;
  int waits = 0;
  app.AnimationLoop([&] { return ++waits > 7; });
  EXPECT_EQ(Take(), (Calls{"SetIcon 137", "SetIcon 138", "SetIcon 139", "SetIcon 140", "SetIcon 136",
                           "SetIcon 137", "SetIcon 138"}));
}

// The thread spends its idle life waiting at the closed gate; a stop
// request must reach it there, or the program could not join it at exit.
TEST_F(AppTest, StopAnimationEndsTheThreadWaitingAtTheClosedGate) {
  app.animationGate.Close();
  std::thread animation([&] { app.RunAnimation(); });
  app.StopAnimation();
  animation.join();
  EXPECT_TRUE(Take().empty()) << "no frame may be shown while the gate is closed";
}

TEST_F(AppTest, StopAnimationEndsTheThreadBetweenFrames) {
  std::thread animation([&] { app.RunAnimation(); });
  app.StopAnimation();
  animation.join();
}

TEST_F(AppTest, AdvanceFrameWithoutFramesDoesNothing) {
  app.AdvanceFrame();
  EXPECT_TRUE(Take().empty());
}

TEST(QptnLifetime, DestructionRemovesTheIcon) {
  CallLog log;
  FakeTray tray(log);
  FakePlatform platform(log);
  { Qptn app(platform, tray); }
  EXPECT_EQ(log.calls, (Calls{"Remove"}));
}

}  // namespace
}  // namespace qptn
