#include "notifier/app/qptn_app.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/memory_registry.h"
#include "tests/support/fake_soap_client.h"
#include "tests/support/fake_tray.h"

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
  void SetTimer(unsigned id, unsigned ms) override {
    log_.calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(unsigned id) override { log_.calls.push_back("KillTimer " + std::to_string(id)); }
  void PostQuit(int code) override { log_.calls.push_back("PostQuit " + std::to_string(code)); }
  // The menu as "busy" when anything is greyed, with the account items.
  void ShowTrayMenu(const TrayMenu& menu) override {
    std::string line = std::string("Menu ") + (menu.grayed.empty() ? "idle" : "busy");
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

class AppTest : public ::testing::Test {
 protected:
  // The object a new run of the program makes; the previous one goes first.
  void Restart() {
    app.reset();
    app = std::make_unique<QptnT>(platform, tray, transport);
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

  // Makes one call of the client fail with a status-500 client fault.
  void FailNextCallWithClientFault(const std::u16string& faultstring) {
    transport.Queue(500,
                    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                    "<soap:Body><soap:Fault><faultcode>soap:Client</faultcode><faultstring>" +
                        Narrow(faultstring) +
                        "</faultstring></soap:Fault></soap:Body></soap:Envelope>");
    QPTSoapNS::OptString result;
    ASSERT_LT(app->Soap().check_auth({u"a@x.example", u"p"}, &result), 0);
    ASSERT_EQ(app->Soap().LastFault().code, QPTSoap::kFaultClient);
  }

  qp::MemoryRegistry registry;
  RegistryBinding binding{registry};
  CallLog log;
  FakeTray tray{log};
  FakePlatform platform{log};
  QPTSoap::FakeSoapClient transport;
  std::unique_ptr<QptnT> app = std::make_unique<QptnT>(platform, tray, transport);
};

TEST_F(AppTest, StartupRunsItsStepsInOrder) {
  ASSERT_TRUE(app->Startup());
  EXPECT_EQ(log.Take(), (Calls{"CreateMainWindow Quillpost Desktop Notifier", "InitializeCom",
                               "RegisterTaskbarCreated", "Add 108", "SetIcon 108",
                               "SetTimer 3 5000"}));
  EXPECT_EQ(app->Status().CurrentIcon(), kIconNoMail);
  EXPECT_FALSE(app->Animation().Gate().IsOpen()) << "start-up closes the animation gate";
  EXPECT_EQ(app->Settings().intervalMs, 600000u);
  EXPECT_EQ(app->Settings().showLimit, 5u);
  ASSERT_FALSE(transport.endpoints.empty());
  EXPECT_EQ(Narrow(transport.endpoints.back()),
            "https://mail.quillpost.com/soap/public.php?version=1");
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
    StartWith({});  // the default interval: 10 minutes
    app->OnCommand(32797);
    ASSERT_EQ(app->SelectedAccount(), 7u);
    app->Animation().SetAnimating(true);
    log.Take();
    app->OnCommand(c.id);
    EXPECT_EQ(log.Take(), c.calls) << "command " << c.id;
    EXPECT_EQ(app->SelectedAccount(), c.selected) << "command " << c.id;
    EXPECT_EQ(app->ShowNewRequested(), c.showNew) << "command " << c.id;
    EXPECT_EQ(app->Animation().Animating(), c.id != kCmdExit) << "command " << c.id;
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
    app->SetUnreadTotal(1);
    app->SetNewMailFlag();
    app->OnTrayCallback(c.notification);
    EXPECT_EQ(log.Take(), c.calls) << "notification " << c.notification;
    EXPECT_EQ(app->NewMailFlag(), c.flagAfter) << "notification " << c.notification;
  }
}

TEST_F(AppTest, RightClickWithoutNewMailOnlyOpensTheMenu) {
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle"}));
}

TEST_F(AppTest, MenuGreysWhileBusyAndListsTwoOrMoreAccounts) {
  StartWith({u"a@quillpost.com"});
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle"})) << "one account keeps Launch a plain command";
  app->SetChecking(true);
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu busy"}));
  app->SetChecking(false);
  app->SetPopupBusy(true);
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu busy"}));

  // The fourth address has no password: never loaded, never listed.
  StartWith({u"a@x.example", u"b@x.example", u"c@x.example"}, u"stale@x.example");
  app->OnTrayCallback(kTrayRightUp);
  EXPECT_EQ(log.Take(), (Calls{"Menu idle a@x.example b@x.example c@x.example"}));
}

TEST_F(AppTest, ClearNewMailFlagRefreshesOnlyWhenSet) {
  app->SetUnreadTotal(2);
  app->ClearNewMailFlag();
  EXPECT_TRUE(log.Take().empty());
  app->SetNewMailFlag();
  app->userActivity();
  EXPECT_FALSE(app->NewMailFlag());
  EXPECT_EQ(log.Take(), (Calls{"SetTip 2 unread messages.", "SetIcon 109"}));
}

TEST_F(AppTest, RefreshTipLeavesTheAnimatedIconAlone) {
  app->SetUnreadTotal(2);
  app->Animation().SetAnimating(true);
  app->RefreshTip();
  EXPECT_EQ(log.Take(), (Calls{"SetTip 2 unread messages."}));
  EXPECT_EQ(app->Status().CurrentIcon(), kIconUnread);
}

TEST_F(AppTest, ShowErrorTakesTheClientsLastFaultAndTheLoadedAccounts) {
  StartWith({u"a@x.example", u"b@x.example"});
  FailNextCallWithClientFault(u"Wrong password");
  app->ShowError(1, u"Cannot connect");
  EXPECT_EQ(log.Take(), (Calls{"Error b@x.example|Wrong password"}));
  app->ShowError(kNoAccount, nullptr);
  EXPECT_EQ(log.Take(), (Calls{"Error Wrong password"}));
}

TEST_F(AppTest, TaskbarRestartReaddsTheCurrentIcon) {
  app->SetUnreadTotal(1);
  app->RefreshTip();
  log.Take();
  app->OnTaskbarCreated();
  EXPECT_EQ(log.Take(), (Calls{"Add 109"}));
}

TEST_F(AppTest, GreetingBalloon) {
  app->Greet();
  EXPECT_EQ(log.Take(), (Calls{"Info Desktop Notifier"}));
}

TEST_F(AppTest, PopupFinishedReleasesTheSemaphoreUpToOne) {
  app->OnPopupFinished();
  app->OnPopupFinished();
  EXPECT_EQ(app->PopupDone().Count(), 1u);
}

TEST(QptnLifetime, DestructionRemovesTheIcon) {
  CallLog log;
  FakeTray tray(log);
  FakePlatform platform(log);
  QPTSoap::FakeSoapClient transport;
  { QptnT app(platform, tray, transport); }
  EXPECT_EQ(log.calls, (Calls{"Remove"}));
}

}  // namespace
}  // namespace qptn
