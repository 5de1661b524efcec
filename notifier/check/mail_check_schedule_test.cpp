// When checks run: the timers, the commands, the away test, the folder watch and the settings dialog.
#include <gtest/gtest.h>

#include "notifier/check/check_test_fakes.h"
#include "notifier/check/mail_check.h"

namespace qptn {
namespace {

using testing::Calls;
using testing::CheckRig;
using testing::Ok;

constexpr char16_t kAnn[] = u"ann@example.org";
constexpr char16_t kBo[] = u"bo@example.org";

TEST(IsAway, TicksSubtractModulo32BitsAndAnotherDesktopMeansAway) {
  struct Case {
    const char* label;
    PresenceReading reading;
    bool away;
  };
  const Case cases[] = {
      {"input a minute ago", {120000, 60000, false}, false},
      {"input exactly one interval ago", {700000, 100000, false}, true},
      {"one millisecond short of it", {699999, 100000, false}, false},
      {"the count wrapped since the input", {100, 0xFFFFFF00u, false}, false},
      {"wrapped and long ago", {599900, 0xFFFFFF00u, false}, true},
      {"locked workstation", {120000, 119999, true}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsAway(c.reading, 600000), c.away) << c.label;
}

class Scheduled : public ::testing::Test {
 protected:
  void SetUp() override { rig.Accounts({kAnn}); }
  CheckRig rig;
};

TEST_F(Scheduled, TheFirstTimerArmsThePeriodAndChecksWithErrorsShown) {
  rig.check.OnTimer(kTimerFirstCheck);
  EXPECT_EQ(rig.log.Take(), (Calls{"KillTimer 3", "SetTimer 2 600000"}));
  EXPECT_EQ(rig.worker.starts, 1);
  EXPECT_FALSE(rig.check.TimerCheck());
}

TEST_F(Scheduled, ThePeriodicTimerChecksWhenTheUserIsThereAndNotWhileAChecksRuns) {
  rig.check.OnTimer(kTimerPeriodicCheck);
  EXPECT_EQ(rig.worker.starts, 1);
  EXPECT_TRUE(rig.check.TimerCheck());
  rig.check.OnTimer(kTimerPeriodicCheck);
  EXPECT_EQ(rig.worker.starts, 1) << "a check is running";
  EXPECT_EQ(rig.log.Take(), Calls{});
}

TEST_F(Scheduled, AwayStopsThePeriodPollsAndOnReturnChecksForAnUpdateThenChecks) {
  rig.presence.reading = {700000, 100000, false};
  rig.check.OnTimer(kTimerPeriodicCheck);
  EXPECT_EQ(rig.log.Take(), (Calls{"KillTimer 2", "SetTimer 4 5000"}));
  EXPECT_EQ(rig.worker.starts, 0);
  rig.check.OnTimer(kTimerAwayPoll);
  EXPECT_EQ(rig.log.Take(), Calls{}) << "still away: the poll timer goes on";
  rig.presence.reading = {710000, 709000, false};
  rig.check.OnTimer(kTimerAwayPoll);
  EXPECT_EQ(rig.log.Take(), (Calls{"KillTimer 4", "update check", "SetTimer 3 1000"}));
  rig.check.OnTimer(kTimerFirstCheck);
  EXPECT_EQ(rig.worker.starts, 1);
}

TEST_F(Scheduled, ALockedWorkstationIsAwayAndAnUpdateOnReturnReArmsThePeriod) {
  rig.presence.reading.inputElsewhere = true;
  rig.check.OnTimer(kTimerPeriodicCheck);
  rig.presence.reading.inputElsewhere = false;
  rig.update.started = true;
  rig.check.OnTimer(kTimerAwayPoll);
  EXPECT_EQ(rig.log.Take(), (Calls{"KillTimer 2", "SetTimer 4 5000", "KillTimer 4",
                                   "update check", "SetTimer 2 600000"}));
}

TEST_F(Scheduled, CheckNowRestartsThePeriodAroundTheCheck) {
  rig.check.CheckNow();
  EXPECT_EQ(rig.log.Take(), (Calls{"KillTimer 2", "SetTimer 2 600000"}));
  EXPECT_EQ(rig.worker.starts, 1);
}

TEST_F(Scheduled, AWorkerThatCannotStartLeavesNoCheckRunning) {
  rig.worker.refuse = true;
  rig.check.StartCheck(true);
  EXPECT_FALSE(rig.check.Checking());
  EXPECT_FALSE(rig.check.TimerCheck());
}

TEST(MailCheckSchedule, WithoutAccountsACheckOpensTheSettingsAndLeavesNoTimerMark) {
  CheckRig rig;
  rig.check.OnTimer(kTimerPeriodicCheck);
  EXPECT_EQ(rig.log.Take(),
            (Calls{"KillTimer 2", "settings dialog", "display 4000", "SetTimer 2 600000"}));
  EXPECT_EQ(rig.worker.starts, 0);
  EXPECT_FALSE(rig.check.TimerCheck())
      << "a later check the user starts must still show its errors";
}

TEST(MailCheckSchedule, WatchInboxSetsAWatchOnlyWhereNoneIsAndStartsAfresh) {
  CheckRig rig;
  rig.Accounts({kAnn});
  rig.service.Queue(kAnn, Ok(10, 0, 0));
  rig.RunCheck();
  ASSERT_EQ(rig.check.LastHeaderNum(0), 10);

  rig.check.WatchInbox(0);
  EXPECT_EQ(rig.log.Take(), (Calls{"get_watch_folders ann@example.org"}));
  EXPECT_EQ(rig.check.LastHeaderNum(0), 0);

  rig.service.watchedFolders = 0;
  rig.check.WatchInbox(0);
  EXPECT_EQ(rig.log.Take(),
            (Calls{"get_watch_folders ann@example.org", "set_folder_watch ann@example.org INBOX 1"}));

  rig.service.setWatchCode = -1;
  rig.check.WatchInbox(0);
  EXPECT_EQ(rig.log.Take(), (Calls{"get_watch_folders ann@example.org",
                                   "set_folder_watch ann@example.org INBOX 1",
                                   "error 0 Couldn't set any folders to watch."}));

  rig.service.watchFoldersCode = -1;
  rig.check.WatchInbox(0);
  EXPECT_EQ(rig.log.Take(), (Calls{"get_watch_folders ann@example.org"})) << "silent";
  rig.check.WatchInbox(5);
  EXPECT_EQ(rig.log.Take(), Calls{}) << "no such slot";
}

TEST(MailCheckSchedule, SettingsDialogWatchesNewAndChangedAddressesNotChangedPasswords) {
  CheckRig rig;
  rig.Accounts({kAnn, kBo});
  rig.service.Queue(kAnn, Ok(10, 0, 0));
  rig.service.Queue(kBo, Ok(20, 0, 0));
  rig.RunCheck();
  rig.accounts.next = {{kAnn, u"new password"}, {u"bo2@example.org", u"pw"}, {kBo, u"pw"}};
  rig.accounts.settings.intervalMs = 300000;
  rig.accounts.settings.popupDisplayMs = 9000;
  rig.check.OpenSettings();
  EXPECT_EQ(rig.log.Take(),
            (Calls{"KillTimer 2", "settings dialog", "get_watch_folders bo2@example.org",
                   "get_watch_folders bo@example.org", "display 9000", "SetTimer 2 300000"}));
  EXPECT_EQ(rig.check.LastHeaderNum(0), 10) << "a changed password keeps the number";
  EXPECT_EQ(rig.check.LastHeaderNum(1), 0);
  EXPECT_EQ(rig.check.LastHeaderNum(2), 0);
}

TEST(MailCheckSchedule, SettingsDialogWaitsWhileACheckOrThePopupRuns) {
  CheckRig rig;
  rig.Accounts({kAnn});
  rig.check.StartCheck();  // running until the worker runs it
  rig.check.OpenSettings();
  EXPECT_EQ(rig.log.Take(), Calls{});
}

}  // namespace
}  // namespace qptn
