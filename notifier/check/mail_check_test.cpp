// The check cycle on its thread: accounts, totals, the alert, the tray, the queue and the popup.
#include "notifier/check/mail_check.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "notifier/check/check_test_fakes.h"

namespace qptn {
namespace {

using testing::Calls;
using testing::CheckRig;
using testing::Failure;
using testing::FakePopup;
using testing::Mail;
using testing::Ok;

constexpr char16_t kAnn[] = u"ann@example.org";
constexpr char16_t kBo[] = u"bo@example.org";

// One account whose first check has happened: its header number is 10.
class OneAccount : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.Accounts({kAnn});
    rig.service.Queue(kAnn, Ok(10, 0, 0));
    rig.RunCheck();
  }
  CheckRig rig;
};

TEST(MailCheck, FirstCheckLearnsTheHeaderNumberAndAnnouncesNothingButStillRings) {
  CheckRig rig;
  rig.Accounts({kAnn});
  rig.service.Queue(kAnn, Ok(42, 3, 2, {Mail("1", 5), Mail("2", 6)}));
  EXPECT_EQ(rig.RunCheck(), (Calls{"animate", "get_new_messages ann@example.org 0 KEY 5",
                                   "MailBeep", "rest", "tip 3"}));
  EXPECT_EQ(rig.check.LastHeaderNum(0), 42);
  EXPECT_FALSE(rig.check.Checking());
  EXPECT_FALSE(rig.check.PopupBusy());
}

TEST_F(OneAccount, NewMailIsQueuedAnnouncedAndRings) {
  rig.service.Queue(kAnn, Ok(12, 4, 2, {Mail("7", 100, "Lunch"), Mail("8", 90, "Older")}));
  EXPECT_EQ(rig.RunCheck(),
            (Calls{"animate", "get_new_messages ann@example.org 10 KEY 5", "MailBeep", "rest",
                   "tip 4", "popup 0 8 to=none first [Older]", "popup 0 7 to=none last [Lunch]"}));
  EXPECT_EQ(rig.check.LastHeaderNum(0), 12);
}

TEST_F(OneAccount, NoSoundWhenTheSettingsSayNone) {
  rig.accounts.settings.sound = false;
  rig.service.Queue(kAnn, Ok(11, 1, 1, {Mail("7", 100)}));
  const Calls calls = rig.RunCheck();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "MailBeep"), 0);
}

TEST_F(OneAccount, OnlyATimerCheckFindingMailSetsTheNewMailState) {
  rig.service.Queue(kAnn, Ok(11, 1, 1, {Mail("7", 100)}));
  rig.RunCheck();
  EXPECT_FALSE(rig.check.NewMailFlag()) << "Check Email Now";

  rig.service.Queue(kAnn, Ok(12, 2, 1, {Mail("8", 101)}));
  rig.check.StartCheck(true);
  rig.worker.Run();
  EXPECT_TRUE(rig.check.NewMailFlag());
  EXPECT_FALSE(rig.check.TimerCheck()) << "cleared when the check ends";
  rig.log.Take();
  rig.check.ClearNewMailFlag();
  EXPECT_EQ(rig.log.Take(), (Calls{"tip 2"}));
  rig.check.ClearNewMailFlag();
  EXPECT_EQ(rig.log.Take(), Calls{}) << "nothing to clear";
}

TEST_F(OneAccount, ADroppedUnreadCountClearsTheNewMailState) {
  rig.service.Queue(kAnn, Ok(11, 3, 1, {Mail("7", 100)}));
  rig.check.StartCheck(true);
  rig.worker.Run();
  ASSERT_TRUE(rig.check.NewMailFlag());
  rig.service.Queue(kAnn, Ok(11, 1, 0));
  rig.check.StartCheck(true);
  rig.worker.Run();
  EXPECT_FALSE(rig.check.NewMailFlag()) << "mail was read elsewhere";
  EXPECT_EQ(rig.check.UnreadTotal(), 1u);
}

TEST(MailCheck, TwoAccountsShowInDateOrderEachWithItsAddress) {
  CheckRig rig;
  rig.Accounts({kAnn, kBo});
  rig.service.Queue(kAnn, Ok(10, 0, 0));
  rig.service.Queue(kBo, Ok(20, 0, 0));
  rig.RunCheck();
  rig.service.Queue(kAnn, Ok(11, 1, 1, {Mail("a1", 300, "late")}));
  rig.service.Queue(kBo, Ok(22, 5, 2, {Mail("b1", 100, "early"), Mail("b2", 300, "tie")}));
  EXPECT_EQ(rig.RunCheck(), (Calls{"animate", "get_new_messages ann@example.org 10 KEY 5",
                                   "get_new_messages bo@example.org 20 KEY 5", "MailBeep", "rest",
                                   "tip 6", "popup 1 b1 to=bo@example.org first [early]",
                                   "popup 0 a1 to=ann@example.org [late]",
                                   "popup 1 b2 to=bo@example.org last [tie]"}))
      << "equal dates keep their arrival order: account order, then the server's";
  EXPECT_EQ(rig.check.SelectedAccount(), 1u) << "the account with the most new mail";
}

TEST(MailCheck, AFirstCheckAccountsMessagesShowWhenAnotherAccountOpensThePopup) {
  CheckRig rig;
  rig.Accounts({kAnn});
  rig.service.Queue(kAnn, Ok(10, 0, 0));
  rig.RunCheck();
  rig.Accounts({kAnn, kBo});  // added since; not asked before
  rig.service.Queue(kAnn, Ok(11, 1, 1, {Mail("a1", 200)}));
  rig.service.Queue(kBo, Ok(20, 1, 1, {Mail("b1", 100)}));
  const Calls calls = rig.RunCheck();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
            (Calls{"popup 1 b1 to=bo@example.org first [s]", "popup 0 a1 to=ann@example.org last [s]"}));
}

TEST_F(OneAccount, ThePopupShowsEveryQueuedMessageEvenWhenTheServerCountedFewer) {
  rig.service.Queue(kAnn, Ok(12, 3, 1, {Mail("1", 1), Mail("2", 2), Mail("3", 3)}));
  const Calls calls = rig.RunCheck();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return c.rfind("popup", 0) == 0; }),
            3);
  rig.service.Queue(kAnn, Ok(12, 3, 0, {Mail("1", 1)}));
  const Calls none = rig.RunCheck();
  EXPECT_EQ(none.back(), "tip 3") << "no popup when nothing counts as new";
}

TEST_F(OneAccount, MoreNewThanTheLimitMarksAllRecallableAndShowsTheCount) {
  std::vector<QPTSoapNS::Message> seven;
  for (int i = 7; i >= 1; --i) seven.push_back(Mail(std::to_string(i).c_str(), i * 10));
  rig.service.Queue(kAnn, Ok(20, 7, 7, seven));
  rig.check.StartCheck(true);
  rig.worker.Run();
  EXPECT_EQ(rig.log.Take(),
            (Calls{"animate", "get_new_messages ann@example.org 10 KEY 5", "MailBeep", "rest",
                   "tip 7 new", "apply_action ann@example.org markRecallable [] 7 6 5 4 3 2 1",
                   "summary 7"}));
}

TEST_F(OneAccount, ShowNewSendsZeroNeverMarksAndShowsTheNewestOneByOne) {
  std::vector<QPTSoapNS::Message> seven;
  for (int i = 1; i <= 7; ++i) seven.push_back(Mail(std::to_string(i).c_str(), i * 10));
  rig.service.Queue(kAnn, Ok(20, 7, 7, seven));
  rig.check.ShowNew();
  rig.worker.Run();
  EXPECT_EQ(rig.log.Take(),
            (Calls{"KillTimer 2", "SetTimer 2 600000", "animate",
                   "get_new_messages ann@example.org 0 KEY 5", "MailBeep", "rest", "tip 7",
                   "popup 0 3 to=none first [s]", "popup 0 4 to=none [s]", "popup 0 5 to=none [s]",
                   "popup 0 6 to=none [s]", "popup 0 7 to=none last [s]"}));
  rig.service.Queue(kAnn, Ok(20, 7, 0));
  EXPECT_EQ(rig.RunCheck().at(1), "get_new_messages ann@example.org 20 KEY 5")
      << "the request is for one check only";
}

TEST_F(OneAccount, DeleteRemovesTheMessageAndPreviousGoesBack) {
  rig.service.Queue(kAnn, Ok(13, 3, 3, {Mail("1", 1), Mail("2", 2), Mail("3", 3)}));
  rig.popup.replies = {FakePopup::kNext, FakePopup::kDelete, FakePopup::kPrevious,
                       FakePopup::kNext, FakePopup::kNext};
  const Calls calls = rig.RunCheck();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 5, calls.end()),
            (Calls{"popup 0 1 to=none first [s]", "popup 0 2 to=none [s]",
                   "popup 0 3 to=none last [s]", "popup 0 1 to=none first [s]",
                   "popup 0 3 to=none last [s]"}))
      << "2 deleted; Previous from 3 goes back to 1, whose next is now 3";
}

}  // namespace
}  // namespace qptn
