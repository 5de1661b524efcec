// A failing or hostile service during a check: one balloon, the other accounts still asked, nothing lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "notifier/check/check_test_fakes.h"
#include "notifier/check/mail_check.h"

namespace qptn {
namespace {

using testing::Calls;
using testing::CheckRig;
using testing::Failure;
using testing::Mail;
using testing::Ok;

constexpr char16_t kAnn[] = u"ann@example.org";
constexpr char16_t kBo[] = u"bo@example.org";
constexpr char16_t kCy[] = u"cy@example.org";

class ThreeAccounts : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.Accounts({kAnn, kBo, kCy});
    rig.service.Queue(kAnn, Ok(10, 1, 0));
    rig.service.Queue(kBo, Ok(20, 2, 0));
    rig.service.Queue(kCy, Ok(30, 3, 0));
    rig.RunCheck();
  }
  CheckRig rig;
};

TEST_F(ThreeAccounts, OneBalloonPerCheckAndEveryAccountStillAsked) {
  rig.service.Queue(kAnn, Failure());
  rig.service.Queue(kBo, Failure());
  rig.service.Queue(kCy, Ok(31, 4, 1, {Mail("c1", 5)}));
  EXPECT_EQ(rig.RunCheck(),
            (Calls{"animate", "get_new_messages ann@example.org 10 KEY 5",
                   "error 0 Failed to check email for ann@example.org",
                   "get_new_messages bo@example.org 20 KEY 5",
                   "get_new_messages cy@example.org 30 KEY 5", "MailBeep", "rest", "tip 4",
                   "popup 2 c1 to=cy@example.org first last [s]"}));
  EXPECT_EQ(rig.check.LastHeaderNum(0), 10) << "a failing account keeps its header number";
  EXPECT_EQ(rig.check.LastHeaderNum(1), 20);
  EXPECT_EQ(rig.check.LastHeaderNum(2), 31);
}

TEST_F(ThreeAccounts, AClientFaultsMessageReachesTheUser) {
  rig.service.Queue(kAnn, Ok(10, 1, 0));
  rig.service.Queue(kBo, Failure(u"Wrong e-mail address or password."));
  rig.service.Queue(kCy, Ok(30, 3, 0));
  const Calls calls = rig.RunCheck();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "error 1 Wrong e-mail address or password."),
            calls.end());
}

TEST_F(ThreeAccounts, ATimerCheckFailsSilently) {
  for (auto address : {kAnn, kBo, kCy}) rig.service.Queue(address, Failure());
  rig.check.StartCheck(true);
  rig.worker.Run();
  const Calls calls = rig.log.Take();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return c.rfind("error", 0) == 0; }),
            0);
}

TEST_F(ThreeAccounts, WhenEveryAccountFailsTheUnreadCountStays) {
  for (auto address : {kAnn, kBo, kCy}) rig.service.Queue(address, Failure());
  EXPECT_EQ(rig.RunCheck().back(), "tip 6");
  EXPECT_EQ(rig.check.UnreadTotal(), 6u);
}

TEST_F(ThreeAccounts, ACountWithoutItsMessagesIsAFailedAnswer) {
  testing::Answer claims = Ok(11, 9, 2);
  claims.mail.count = 2;  // and no array
  rig.service.Queue(kAnn, claims);
  rig.service.Queue(kBo, Ok(20, 2, 0));
  rig.service.Queue(kCy, Ok(30, 3, 0));
  const Calls calls = rig.RunCheck();
  EXPECT_EQ(calls.at(2), "error 0 Failed to check email for ann@example.org");
  EXPECT_EQ(rig.check.LastHeaderNum(0), 10);
  EXPECT_EQ(rig.check.UnreadTotal(), 5u) << "the failed answer counts nothing";
}

TEST_F(ThreeAccounts, NegativeCountsFromTheServerCountAsNone) {
  rig.service.Queue(kAnn, Ok(11, -5, -3, {Mail("a", 1)}));
  rig.service.Queue(kBo, Ok(21, 2, 0));
  rig.service.Queue(kCy, Ok(31, 3, 0));
  const Calls calls = rig.RunCheck();
  EXPECT_EQ(calls.back(), "tip 5");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "MailBeep"), 0);
}

TEST(MailCheckFailure, ALongAddressIsCutToTheBalloonsBuffer) {
  CheckRig rig;
  const std::u16string address = std::u16string(200, u'x') + u"@example.org";
  rig.Accounts({address});
  rig.service.Queue(address, Failure());
  const Calls calls = rig.RunCheck();
  const std::string& error = calls.at(2);
  EXPECT_EQ(error.size(), std::string("error 0 ").size() + 127) << error;
}

TEST(MailCheckFailure, StopEndsAPopupWaitAndSkipsTheAccountsLeft) {
  CheckRig rig;
  rig.Accounts({kAnn});
  rig.service.Queue(kAnn, Ok(10, 0, 0));
  rig.RunCheck();
  rig.service.Queue(kAnn, Ok(11, 1, 1, {Mail("1", 1)}));
  rig.popup.hold = true;  // nobody closes the popup
  std::promise<void> shown;
  rig.popup.onShow = [&] { shown.set_value(); };
  rig.check.StartCheck();
  std::thread check([&] { rig.worker.Run(); });
  shown.get_future().wait();
  rig.check.Stop();  // must end the wait for the popup
  check.join();
  EXPECT_FALSE(rig.check.Checking());
  EXPECT_FALSE(rig.check.PopupBusy());
}

}  // namespace
}  // namespace qptn
