#include <algorithm>
#include "notifier/app/qptn_app.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "common/memory_registry.h"
#include "tests/support/fake_soap_client.h"
#include "tests/support/fake_tray.h"
#include "notifier/check/check_test_fakes.h"

namespace qptn {
namespace {

using testing::CallLog;
using testing::Calls;
using testing::FakeTray;
using testing::Narrow;

class FakePlatform : public AppPlatform {
 public:
  explicit FakePlatform(CallLog& log) : log_(log) {}
  bool CreateMainWindow(const std::u16string& title) override {
    log_.calls.push_back("CreateMainWindow " + Narrow(title));
    return windowCreated;
  }
  void InitializeCom() override { log_.calls.push_back("InitializeCom"); }
  void RegisterTaskbarCreated() override { log_.calls.push_back("RegisterTaskbarCreated"); }
  void CreatePopup(bool hideLogo) override {
    log_.calls.push_back(std::string("CreatePopup ") + (hideLogo ? "no logo" : "logo"));
  }
  void SetTimer(unsigned id, unsigned ms) override {
    log_.calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(unsigned id) override { log_.calls.push_back("KillTimer " + std::to_string(id)); }
  void PostTimer(unsigned id, unsigned ms) override {
    log_.calls.push_back("PostTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void PostQuit(int code) override { log_.calls.push_back("PostQuit " + std::to_string(code)); }
  // The menu as "busy" when anything is greyed, with the account items.
  void ShowTrayMenu(const TrayMenu& menu) override {
    std::string line = std::string("Menu ") + (menu.grayed.empty() ? "idle" : "busy");
    if (!menu.checked.empty()) line += " paused";
    for (const AccountItem& item : menu.accountItems) line += " " + Narrow(item.address);
    log_.calls.push_back(line);
  }
  bool windowCreated = true;

 private:
  CallLog& log_;
};

// The settings of the objects made meanwhile live in `registry`.
class RegistryBinding {
 public:
  explicit RegistryBinding(qp::RegistryPort& registry) { setting_base::UseRegistry(&registry); }
  ~RegistryBinding() { setting_base::UseRegistry(nullptr); }
  RegistryBinding(const RegistryBinding&) = delete;
  RegistryBinding& operator=(const RegistryBinding&) = delete;
};

class FakeBrowser : public PageBrowser {
 public:
  explicit FakeBrowser(CallLog& log) : log_(log) {}
  bool OpenMailWindow(const std::u16string& address) override {
    log_.calls.push_back("mail window " + Narrow(address));
    return true;
  }
  bool OpenUrl(const std::u16string& address) override {
    log_.calls.push_back("url " + Narrow(address));
    return true;
  }
  void OpenWithShell(const std::u16string& address) override {
    log_.calls.push_back("shell " + Narrow(address));
  }

 private:
  CallLog& log_;
};

class FakeUpdateUi : public UpdateUi {
 public:
  explicit FakeUpdateUi(CallLog& log) : log_(log) {}
  void Announce(const std::u16string& text) override { log_.calls.push_back("box " + Narrow(text)); }
  void Open(const std::u16string& address) override {
    log_.calls.push_back("open " + Narrow(address));
  }

 private:
  CallLog& log_;
};

// An answer envelope around one response element's content.
std::string Response(const std::string& content) {
  return "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
         "<ns:r xmlns:ns=\"QPTSoapNS\">" + content + "</ns:r></e:Body></e:Envelope>";
}

// The envelope namespaces an array's type needs.
std::string ResponseWithArray(const std::string& content) {
  return "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\""
         " xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\"><e:Body>"
         "<ns:r xmlns:ns=\"QPTSoapNS\">" + content + "</ns:r></e:Body></e:Envelope>";
}

std::string NewMessages(int header, int total, int fresh) {
  return Response("<new_header_num>" + std::to_string(header) + "</new_header_num><total_unread>" +
                  std::to_string(total) + "</total_unread><new_unread>" + std::to_string(fresh) +
                  "</new_unread>");
}

class AppTest : public ::testing::Test {
 protected:
  // The object a new run of the program makes; the previous one goes first.
  void Restart() {
    app.reset();
    app = std::make_unique<QptnT>(ports);
    log.Take();
  }

  // Stores accounts as the settings dialog does (an address of `stale`
  // beyond them, without a password) and starts a new run, which loads them.
  void StartWith(std::vector<std::u16string> addresses, const char16_t* stale = nullptr) {
    const std::vector<std::u16string> passwords(addresses.size(), u"pw");
    SaveAccounts(passwords.data(), addresses.data(), static_cast<unsigned>(addresses.size()));
    if (stale != nullptr) {
      SecureStringSetting next(std::u16string(u"d") + char16_t(u'1' + addresses.size()), u"");
      next.value = stale;
    }
    Restart();
    ASSERT_TRUE(app->Startup());
    log.Take();
  }

  // With one account: a first check, then a timer check that finds `fresh`
  // new of `total` unread messages, each through the service client.
  void TimerCheckFinds(int total, int fresh) {
    StartWith({u"a@x.example"});
    transport.Queue(200, NewMessages(5, 0, 0));
    app->Check().StartCheck();
    worker.Run();
    transport.Queue(200, NewMessages(6, total, fresh));
    app->Check().StartCheck(true);
    worker.Run();
    log.Take();
  }

  qp::MemoryRegistry registry;
  RegistryBinding binding{registry};
  CallLog log;
  FakeTray tray{log};
  FakePlatform platform{log};
  QPTSoap::FakeSoapClient transport;
  testing::FakePopup popup{log};
  testing::FakeSound sound{log};
  testing::FakePresence presence;
  testing::FakeWorker worker;
  testing::FakeDialog dialog{log};
  FakeUpdateUi updateUi{log};
  FakeBrowser browser{log};
  testing::FakeBusy busy;
  testing::FakeClock clock;
  testing::FakePauseStore pauses;
  AppPorts ports{platform, tray, transport, popup, sound, presence, worker, dialog, updateUi,
                 browser, busy, clock, pauses};
  std::unique_ptr<QptnT> app = std::make_unique<QptnT>(ports);
};

TEST_F(AppTest, StartupRunsItsStepsInOrder) {
  ASSERT_TRUE(app->Startup());
  EXPECT_EQ(log.Take(), (Calls{"CreateMainWindow Quillpost Desktop Notifier", "InitializeCom",
                               "CreatePopup logo", "RegisterTaskbarCreated", "Add 108",
                               "SetIcon 108", "display 4000",
                               "SetTimer 3 5000"}));
  EXPECT_EQ(app->Status().CurrentIcon(), kIconNoMail);
  EXPECT_FALSE(app->Animation().Gate().IsOpen()) << "start-up closes the animation gate";
  EXPECT_EQ(app->CurrentSettings().intervalMs, 600000u);
  EXPECT_EQ(app->CurrentSettings().showLimit, 5u);
  ASSERT_FALSE(transport.endpoints.empty());
  EXPECT_EQ(Narrow(transport.endpoints.back()),
            "https://mail.quillpost.com/soap/public.php?version=1");
  ASSERT_EQ(transport.sent.size(), 1u);
  EXPECT_NE(transport.sent[0].body.find("get_version"), std::string::npos);
}

TEST_F(AppTest, ThePrivateLabelSettingHidesThePopupsLogo) {
  app.reset();
  registry.PutDword(kSettingsKey, u"pl", 1);
  Restart();
  ASSERT_TRUE(app->Startup());
  const Calls calls = log.Take();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "CreatePopup no logo"), calls.end());
}

TEST_F(AppTest, StartupWatchesEveryAccountsInbox) {
  StartWith({u"a@x.example", u"b@x.example"});
  ASSERT_EQ(transport.sent.size(), 3u) << "get_version, then one get_watch_folders each";
  EXPECT_NE(transport.sent[2].body.find("<user_id>b@x.example</user_id>"), std::string::npos);
}

TEST_F(AppTest, ANewerVersionAtStartupIsAnnouncedAndStopsTheRun) {
  app.reset();
  registry.PutString(kSettingsKey, u"host", u"127.0.0.1:18080");
  Restart();
  transport.Queue(200, Response("<current_version>5</current_version>"));
  EXPECT_FALSE(app->Startup());
  EXPECT_EQ(log.Take(),
            (Calls{"CreateMainWindow Quillpost Desktop Notifier", "InitializeCom",
                   "CreatePopup logo", "RegisterTaskbarCreated", "Add 108",
                   "box A new version of the Desktop Notifier is available and will now be "
                   "downloaded.",
                   "open http://127.0.0.1:18080/qptnsetup_QX.msi"}));
  app.reset();
  EXPECT_EQ(log.Take(), (Calls{"Remove"})) << "the process ends without a tray icon";
}

TEST_F(AppTest, StartupUsesTheConfiguredHost) {
  app.reset();  // which writes its own "host" back
  registry.PutString(kSettingsKey, u"host", u"127.0.0.1:18080");
  Restart();
  ASSERT_TRUE(app->Startup());
  ASSERT_FALSE(transport.endpoints.empty());
  EXPECT_EQ(Narrow(transport.endpoints.back()), "http://127.0.0.1:18080/soap/public.php?version=1")
      << "the service client must post to the configured host";
}

TEST_F(AppTest, StartupStopsWhenTheWindowCannotBeCreated) {
  platform.windowCreated = false;
  EXPECT_FALSE(app->Startup());
  EXPECT_EQ(log.Take(), (Calls{"CreateMainWindow Quillpost Desktop Notifier"}));
  EXPECT_TRUE(app->Animation().Gate().IsOpen());
}

TEST_F(AppTest, CommandTable) {
  struct Case {
    unsigned id;
    Calls calls;
    unsigned selected;
    int checksStarted;
  };
  const Case cases[] = {
      {kCmdExit, {"PostQuit 0"}, 7, 0},
      {kCmdCheckNow, {"KillTimer 2", "SetTimer 2 600000"}, 7, 1},
      {kCmdShowNew, {"KillTimer 2", "SetTimer 2 600000"}, 7, 1},
      {kCmdSettings, {"KillTimer 2", "settings dialog", "display 4000", "SetTimer 2 600000"}, 7, 0},
      {kCmdLaunch, {}, 7, 0},
      {32790,
       {"Error Couldn't obtain Quillpost URL from the server.", "shell https://mail.quillpost.com/"},
       0,
       0},
      {32794, {}, 4, 0},
      {32799, {}, 9, 0},
      {32789, {}, 7, 0},
      {32800, {}, 7, 0},
      {0, {}, 7, 0},
  };
  for (const Case& c : cases) {
    StartWith({u"a@x.example"});  // the default interval: 10 minutes
    app->OnCommand(32797);
    ASSERT_EQ(app->Check().SelectedAccount(), 7u);
    app->Animation().SetAnimating(true);
    log.Take();
    const int before = worker.starts;
    app->OnCommand(c.id);
    worker.pending = nullptr;
    EXPECT_EQ(log.Take(), c.calls) << "command " << c.id;
    EXPECT_EQ(app->Check().SelectedAccount(), c.selected) << "command " << c.id;
    EXPECT_EQ(worker.starts - before, c.checksStarted) << "command " << c.id;
    EXPECT_EQ(app->Animation().Animating(), c.id != kCmdExit) << "command " << c.id;
  }
}

TEST_F(AppTest, ATimerCheckThroughTheClientSetsTheTrayAndTheNewMailState) {
  TimerCheckFinds(1, 1);
  EXPECT_TRUE(app->Check().NewMailFlag());
  EXPECT_EQ(app->Status().CurrentIcon(), kIconNewMail);
  EXPECT_EQ(app->Check().UnreadTotal(), 1u);
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
      {kTrayLeftDouble,
       {"Error Couldn't obtain Quillpost URL from the server.", "shell https://mail.quillpost.com/"},
       true},
      {0x0200 /* WM_MOUSEMOVE */, {}, true},
  };
  for (const Case& c : cases) {
    TimerCheckFinds(1, 1);
    app->OnTrayCallback(c.notification);
    EXPECT_EQ(log.Take(), c.calls) << "notification " << c.notification;
    EXPECT_EQ(app->Check().NewMailFlag(), c.flagAfter) << "notification " << c.notification;
  }
}

TEST_F(AppTest, ThePauseCommandTogglesTheCheckedItemAndTheStoredEnd) {
  app->OnCommand(kCmdPause);
  EXPECT_EQ(pauses.until, clock.now + 3600);
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle paused"}));
  app->OnCommand(kCmdPause);
  EXPECT_EQ(pauses.until, 0);
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle"}));
}

TEST_F(AppTest, RightClickWithoutNewMailOnlyOpensTheMenu) {
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle"}));
}

TEST_F(AppTest, MenuGreysWhileACheckOrItsPopupRunsAndListsTwoOrMoreAccounts) {
  StartWith({u"a@quillpost.com"});
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle"})) << "one account keeps Launch a plain command";

  transport.Queue(200, NewMessages(5, 0, 0));
  app->Check().StartCheck();  // checking until the worker runs it
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu busy"}));
  worker.Run();

  // A check that finds new mail shows it; the menu is busy until it closes.
  transport.Queue(200, ResponseWithArray(
                           "<new_header_num>6</new_header_num><total_unread>1</total_unread>"
                           "<new_unread>1</new_unread><messages enc:arrayType=\"ns:Message[1]\">"
                           "<item><uidstr><path>INBOX</path><uid>1</uid></uidstr><date>1</date>"
                           "<size>0</size><priority>0</priority><has_attachment>0</has_attachment>"
                           "<is_flagged>0</is_flagged><is_answered>0</is_answered><is_seen>0</is_seen>"
                           "<is_draft>0</is_draft><is_forwarded>0</is_forwarded>"
                           "<header_num>6</header_num></item>"
                           "</messages>"));
  popup.hold = true;
  std::promise<void> shown;
  popup.onShow = [&] { shown.set_value(); };
  app->Check().StartCheck();
  std::thread check([&] { worker.Run(); });
  if (shown.get_future().wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
    app->StopCheck();  // so that the thread can be joined
    check.join();
    FAIL() << "the check never showed its message: " << ::testing::PrintToString(log.calls);
  }
  log.Take();
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu busy"}));
  app->OnPopupFinished();
  check.join();
  EXPECT_FALSE(app->Check().PopupBusy());

  // The fourth address has no password: never loaded, never listed.
  StartWith({u"a@x.example", u"b@x.example", u"c@x.example"}, u"stale@x.example");
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle a@x.example b@x.example c@x.example"}));
}

TEST_F(AppTest, UserActivityClearsTheNewMailStateOnce) {
  TimerCheckFinds(2, 1);
  app->userActivity();
  EXPECT_FALSE(app->Check().NewMailFlag());
  EXPECT_EQ(log.Take(), (Calls{"SetTip 2 unread messages.", "SetIcon 109"}));
  app->userActivity();
  EXPECT_TRUE(log.Take().empty());
}

TEST_F(AppTest, MessageActionsAskTheServiceAndOpenThePage) {
  TimerCheckFinds(2, 1);
  QPTSoapNS::Message m;
  m.uidstr.path = u"INBOX";
  m.uidstr.uid = u"7";
  app->userActivity();  // the popup's click reports the user first
  log.Take();
  transport.Queue(200, Response("<url>https://h/compose.php?uid=7</url>"));
  app->reply(0, &m, true);
  EXPECT_NE(transport.sent.back().body.find("replyall"), std::string::npos);
  EXPECT_EQ(log.Take(), (Calls{"SetTip 1 unread message.", "SetIcon 109",
                               "url https://h/compose.php?uid=7"}));
  EXPECT_EQ(app->Check().UnreadTotal(), 1u);

  // Without an answer: the balloon, nothing opened, the count kept.
  transport.QueueSendFailure();
  app->forward(0, &m);
  EXPECT_EQ(log.Take(), (Calls{"Error Couldn't obtain Quillpost URL from the server."}));
  EXPECT_EQ(app->Check().UnreadTotal(), 1u);

  // The unread count never goes below 0.
  for (int i = 0; i < 2; ++i) {
    transport.Queue(200, Response("<url>https://h/view.php</url>"));
    app->openMessage(0, &m);
  }
  EXPECT_EQ(app->Check().UnreadTotal(), 0u);
  EXPECT_EQ(log.calls.back(), "url https://h/view.php");
  EXPECT_EQ(log.calls[log.calls.size() - 2], "SetTip No unread messages.");
}

TEST_F(AppTest, LaunchFallsBackToTheStartPage) {
  StartWith({u"a@x.example", u"b@x.example"});
  app->OnCommand(kCmdAccountFirst + 1);
  EXPECT_NE(transport.sent.back().body.find("b@x.example"), std::string::npos);
  EXPECT_EQ(log.Take(), (Calls{"Error Couldn't obtain Quillpost URL from the server.",
                               "shell https://mail.quillpost.com/"}));
}

TEST_F(AppTest, TaskbarRestartReaddsTheCurrentIcon) {
  TimerCheckFinds(1, 1);
  app->OnTaskbarCreated();
  EXPECT_EQ(log.Take(), (Calls{"Add 157"}));
}

TEST_F(AppTest, GreetingBalloon) {
  app->Greet();
  EXPECT_EQ(log.Take(), (Calls{"Info Desktop Notifier"}));
}

TEST(QptnLifetime, DestructionRemovesTheIcon) {
  CallLog log;
  FakeTray tray(log);
  FakePlatform platform(log);
  QPTSoap::FakeSoapClient transport;
  testing::FakePopup popup{log};
  testing::FakeSound sound{log};
  testing::FakePresence presence;
  testing::FakeWorker worker;
  testing::FakeDialog dialog{log};
  FakeUpdateUi updateUi{log};
  FakeBrowser browser{log};
  testing::FakeBusy busy;
  testing::FakeClock clock;
  testing::FakePauseStore pauses;
  {
    QptnT app(AppPorts{platform, tray, transport, popup, sound, presence, worker, dialog, updateUi,
                       browser, busy, clock, pauses});
  }
  EXPECT_EQ(log.calls, (Calls{"Remove"}));
}

}  // namespace
}  // namespace qptn
