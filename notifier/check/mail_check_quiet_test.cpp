// The check while the user is busy or paused announcements: the host is
// asked and the tray shows the count, but the popup and the alert wait;
// once the user is free, what waited is shown as one check would show it.
#include "notifier/check/mail_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "notifier/check/check_test_fakes.h"

namespace qptn {
namespace {

using testing::Answer;
using testing::Calls;
using testing::CheckRig;
using testing::Mail;
using testing::Ok;

constexpr char16_t kAnn[] = u"ann@example.org";

enum class Do {
  kCheck,    // Check Email Now with `answer`, run to its end
  kShowNew,  // Show New Email with `answer`, run to its end
  kPoll,     // the poll timer fires
  kRelease,  // the worker runs what the poll started
  kToggle,   // the pause command
};

struct Step {
  Do what;
  bool busy;  // what the system says from this step on
  Answer answer;
  Calls expect;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
  unsigned showLimit = 5;
};

// The header number 10 known; the steps follow.
Calls Play(CheckRig& rig, const Step& step) {
  rig.busy.busy = step.busy;
  switch (step.what) {
    case Do::kCheck:
    case Do::kShowNew:
      rig.service.Queue(kAnn, step.answer);
      if (step.what == Do::kCheck) {
        rig.check.CheckNow();
      } else {
        rig.check.ShowNew();
      }
      rig.worker.Run();
      break;
    case Do::kPoll:
      rig.check.OnTimer(kTimerQuietPoll);
      break;
    case Do::kRelease:
      rig.worker.Run();
      break;
    case Do::kToggle:
      rig.check.TogglePause();
      break;
  }
  Calls calls = rig.log.Take();
  // Check Email Now's own timer calls are the same in every step.
  calls.erase(std::remove_if(calls.begin(), calls.end(),
                             [](const std::string& call) {
                               return call == "KillTimer 2" || call == "SetTimer 2 600000";
                             }),
              calls.end());
  return calls;
}

std::vector<QPTSoapNS::Message> Mails(std::initializer_list<std::pair<const char*, int32_t>> list) {
  std::vector<QPTSoapNS::Message> mails;
  for (const auto& [uid, date] : list) mails.push_back(Mail(uid, date, uid));
  return mails;
}

const char kAsk[] = "get_new_messages ann@example.org ";

TEST(MailCheckQuiet, HoldsWhileBusyAndShowsOnceFree) {
  const std::string ask10 = std::string(kAsk) + "10 KEY 5";
  const std::string ask12 = std::string(kAsk) + "12 KEY 5";
  const std::string ask13 = std::string(kAsk) + "13 KEY 5";
  const Case cases[] = {
      {"mail arrives busy, stays held while busy, shows once free",
       {{Do::kCheck, true, Ok(12, 4, 2, Mails({{"7", 100}, {"8", 90}})),
         {"animate", ask10, "rest", "tip 4", "PostTimer 5 2000"}},
        {Do::kPoll, true, {}, {}},
        {Do::kPoll, false, {}, {"KillTimer 5"}},
        {Do::kRelease, false, {}, {"popup 0 8 to=none first [8]", "popup 0 7 to=none last [7]"}},
        {Do::kPoll, false, {}, {"KillTimer 5"}}}},
      {"two checks while busy show together in date order, once",
       {{Do::kCheck, true, Ok(12, 1, 1, Mails({{"7", 100}})),
         {"animate", ask10, "rest", "tip 1", "PostTimer 5 2000"}},
        {Do::kCheck, true, Ok(13, 2, 1, Mails({{"9", 50}})), {"animate", ask12, "rest", "tip 2"}},
        {Do::kPoll, false, {}, {"KillTimer 5"}},
        {Do::kRelease, false, {}, {"popup 0 9 to=none first [9]", "popup 0 7 to=none last [7]"}},
        {Do::kCheck, false, Ok(13, 2, 0), {"animate", ask13, "rest", "tip 2"}}}},
      {"more held than the show setting allows: recallable, then the summary",
       {{Do::kCheck, true, Ok(12, 2, 2, Mails({{"7", 100}, {"8", 90}})),
         {"animate", std::string(kAsk) + "10 KEY 2", "rest", "tip 2", "PostTimer 5 2000"}},
        {Do::kCheck, true, Ok(13, 3, 1, Mails({{"9", 95}})), {"animate", std::string(kAsk) + "12 KEY 2", "rest", "tip 3"}},
        {Do::kPoll, false, {}, {"KillTimer 5"}},
        {Do::kRelease, false, {},
         {"apply_action ann@example.org markRecallable [] 7 8 9", "summary 3"}}},
       2},
      {"a check ending free shows what was held with its own news, and rings for its own",
       {{Do::kCheck, true, Ok(12, 1, 1, Mails({{"7", 100}})),
         {"animate", ask10, "rest", "tip 1", "PostTimer 5 2000"}},
        {Do::kCheck, false, Ok(13, 2, 1, Mails({{"9", 50}})),
         {"animate", ask12, "MailBeep", "rest", "tip 2", "popup 0 9 to=none first [9]",
          "popup 0 7 to=none last [7]"}},
        {Do::kPoll, false, {}, {"KillTimer 5"}}}},
      {"a check ending free without news still shows what was held",
       {{Do::kCheck, true, Ok(12, 1, 1, Mails({{"7", 100}})),
         {"animate", ask10, "rest", "tip 1", "PostTimer 5 2000"}},
        {Do::kCheck, false, Ok(13, 1, 0, Mails({{"1", 1}})),
         {"animate", ask12, "rest", "tip 1", "popup 0 7 to=none first last [7]"}}}},
      {"news counted without a list is held too, and shown by the next free check",
       {{Do::kCheck, true, Ok(12, 2, 2), {"animate", std::string(kAsk) + "10 KEY 1", "rest",
                                          "tip 2", "PostTimer 5 2000"}},
        {Do::kCheck, false, Ok(13, 2, 0),
         {"animate", std::string(kAsk) + "12 KEY 1", "rest", "tip 2", "summary 2"}},
        {Do::kPoll, false, {}, {"KillTimer 5"}}},
       1},
      {"read elsewhere meanwhile: nothing unread is left, nothing is shown",
       {{Do::kCheck, true, Ok(12, 1, 1, Mails({{"7", 100}})),
         {"animate", ask10, "rest", "tip 1", "PostTimer 5 2000"}},
        {Do::kCheck, true, Ok(13, 0, 0), {"animate", ask12, "rest", "tip 0"}},
        {Do::kPoll, false, {}, {"KillTimer 5"}},
        {Do::kRelease, false, {}, {}}}},
      {"paused: held although the system says free; resuming shows at once",
       {{Do::kToggle, false, {}, {}},
        {Do::kCheck, false, Ok(12, 1, 1, Mails({{"7", 100}})),
         {"animate", ask10, "rest", "tip 1", "PostTimer 5 2000"}},
        {Do::kPoll, false, {}, {}},
        {Do::kToggle, false, {}, {"KillTimer 5"}},
        {Do::kRelease, false, {}, {"popup 0 7 to=none first last [7]"}}}},
      {"resumed while busy: still held until free",
       {{Do::kToggle, false, {}, {}},
        {Do::kCheck, false, Ok(12, 1, 1, Mails({{"7", 100}})),
         {"animate", ask10, "rest", "tip 1", "PostTimer 5 2000"}},
        {Do::kToggle, true, {}, {}},
        {Do::kPoll, false, {}, {"KillTimer 5"}},
        {Do::kRelease, false, {}, {"popup 0 7 to=none first last [7]"}}}},
      {"Show New Email while busy: what it lists again is shown once",
       {{Do::kCheck, true, Ok(12, 1, 1, Mails({{"7", 100}})),
         {"animate", ask10, "rest", "tip 1", "PostTimer 5 2000"}},
        {Do::kShowNew, true, Ok(13, 2, 1, Mails({{"7", 100}, {"6", 60}})),
         {"animate", std::string(kAsk) + "0 KEY 5", "rest", "tip 2"}},
        {Do::kPoll, false, {}, {"KillTimer 5"}},
        {Do::kRelease, false, {},
         {"popup 0 6 to=none first [6]", "popup 0 7 to=none last [7]"}}}},
  };
  for (const Case& c : cases) {
    CheckRig rig;
    rig.accounts.settings.showLimit = c.showLimit;
    rig.Accounts({kAnn});
    rig.service.Queue(kAnn, Ok(10, 0, 0));
    rig.RunCheck();
    for (size_t i = 0; i < c.steps.size(); ++i) {
      EXPECT_EQ(Play(rig, c.steps[i]), c.steps[i].expect) << c.name << ", step " << i;
    }
    EXPECT_FALSE(rig.check.Checking()) << c.name;
    EXPECT_FALSE(rig.worker.pending) << c.name << ": a body was left to run";
  }
}

TEST(MailCheckQuiet, AFreeCheckWithoutNewsDoesNotAskWhetherTheUserIsBusy) {
  CheckRig rig;
  rig.Accounts({kAnn});
  rig.service.Queue(kAnn, Ok(10, 3, 0));
  rig.RunCheck();
  rig.service.Queue(kAnn, Ok(10, 3, 0));
  rig.RunCheck();
  EXPECT_EQ(rig.busy.asked, 0);
}

TEST(MailCheckQuiet, APollThatCannotStartTheWorkerLooksAgainLater) {
  CheckRig rig;
  rig.Accounts({kAnn});
  rig.service.Queue(kAnn, Ok(10, 0, 0));
  rig.RunCheck();
  rig.busy.busy = true;
  rig.service.Queue(kAnn, Ok(12, 1, 1, Mails({{"7", 100}})));
  rig.RunCheck();
  rig.busy.busy = false;
  rig.worker.refuse = true;
  rig.check.OnTimer(kTimerQuietPoll);
  EXPECT_EQ(rig.log.Take(), (Calls{"KillTimer 5", "SetTimer 5 2000"}));
  EXPECT_FALSE(rig.check.Checking());
  rig.worker.refuse = false;
  rig.check.OnTimer(kTimerQuietPoll);
  rig.worker.Run();
  EXPECT_EQ(rig.log.Take(), (Calls{"KillTimer 5", "popup 0 7 to=none first last [7]"}));
}

}  // namespace
}  // namespace qptn
