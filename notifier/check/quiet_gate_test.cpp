// When the popup and the alert wait, and when what waited is shown: the
// gate over a fake clock, a fake busy answer and a fake store, step by step.
#include "notifier/check/quiet_gate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "notifier/check/check_test_fakes.h"

namespace qptn {
namespace {

using testing::FakeBusy;
using testing::FakeClock;
using testing::FakePauseStore;

constexpr int64_t kStart = 1'700'000'000;

enum class Event {
  kCheckNews,     // a check found new messages
  kCheckNothing,  // a check found nothing new
  kCheckAllRead,  // a check found every message read
  kPoll,          // the poll timer, nothing else running
  kPollChecking,  // the poll timer while a check runs
  kReleaseFailed,
  kToggle,   // the pause command
  kAsk,      // is a pause running?
  kRestart,  // the notifier ends and starts again
};

struct Step {
  int64_t at;  // seconds after the start
  bool busy;   // what the system says
  Event event;
  // A check: "quiet" or "free", then "drop", "hold", "poll" as decided.
  // A poll: "wait", or "stop" and "release". The pause: "paused" or "free"
  // (or "resumed"), then the stored end in seconds after the start, 0 for none.
  const char* expect;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

std::string Stored(const FakePauseStore& store) {
  return store.until ? std::to_string(store.until - kStart) : "0";
}

std::string Apply(QuietGate& gate, FakePauseStore& store, Event event) {
  switch (event) {
    case Event::kCheckNews:
    case Event::kCheckNothing:
    case Event::kCheckAllRead: {
      const bool quiet = gate.Quiet();
      const CheckEndStep step =
          gate.OnCheckEnd(quiet, event == Event::kCheckNews, event == Event::kCheckAllRead);
      return std::string(quiet ? "quiet" : "free") + (step.dropHeld ? " drop" : "") +
             (step.hold ? " hold" : "") + (step.startPoll ? " poll" : "");
    }
    case Event::kPoll:
    case Event::kPollChecking: {
      const PollStep step = gate.OnPoll(event == Event::kPoll);
      if (!step.stopPoll) return step.release ? "release without stop" : "wait";
      return step.release ? "stop release" : "stop";
    }
    case Event::kReleaseFailed:
      gate.ReleaseFailed();
      return gate.Holding() && gate.Polling() ? "holding" : "lost";
    case Event::kToggle: {
      const bool paused = gate.TogglePause();
      return std::string(paused ? "paused " : "resumed ") + Stored(store);
    }
    case Event::kAsk:
    case Event::kRestart: {
      const bool paused = gate.Paused();
      return std::string(paused ? "paused " : "free ") + Stored(store);
    }
  }
  return "?";
}

TEST(QuietGate, TransitionsOverBusyFreePauseAndRestart) {
  using E = Event;
  const Case cases[] = {
      {"mail arrives busy and is shown once free",
       {{0, true, E::kCheckNews, "quiet hold poll"},
        {2, true, E::kPoll, "wait"},
        {4, false, E::kPoll, "stop release"},
        {6, false, E::kPoll, "stop"}}},
      {"busy across several checks: one poll, released once",
       {{0, true, E::kCheckNews, "quiet hold poll"},
        {60, true, E::kCheckNews, "quiet hold"},
        {120, true, E::kCheckNothing, "quiet"},
        {122, true, E::kPoll, "wait"},
        {124, false, E::kPoll, "stop release"}}},
      {"free with nothing held: a check shows at once, nothing polls",
       {{0, false, E::kCheckNews, "free"}, {60, false, E::kCheckNothing, "free"}}},
      {"busy without news holds nothing",
       {{0, true, E::kCheckNothing, "quiet"}, {2, false, E::kPoll, "stop"}}},
      {"a check ending free shows what is held; the poll then stops",
       {{0, true, E::kCheckNews, "quiet hold poll"},
        {60, false, E::kCheckNothing, "free"},
        {62, false, E::kPoll, "stop"}}},
      {"a running check keeps the release waiting",
       {{0, true, E::kCheckNews, "quiet hold poll"},
        {2, false, E::kPollChecking, "wait"},
        {4, false, E::kPoll, "stop release"}}},
      {"held mail read elsewhere is dropped",
       {{0, true, E::kCheckNews, "quiet hold poll"},
        {60, true, E::kCheckAllRead, "quiet drop"},
        {62, false, E::kPoll, "stop"}}},
      {"a release that cannot start holds on",
       {{0, true, E::kCheckNews, "quiet hold poll"},
        {2, false, E::kPoll, "stop release"},
        {2, false, E::kReleaseFailed, "holding"},
        {4, false, E::kPoll, "stop release"}}},
      {"pause holds although the system says free; resume releases",
       {{0, false, E::kToggle, "paused 3600"},
        {10, false, E::kCheckNews, "quiet hold poll"},
        {12, false, E::kPoll, "wait"},
        {20, false, E::kToggle, "resumed 0"},
        {20, false, E::kPoll, "stop release"}}},
      {"resumed while still busy keeps holding",
       {{0, true, E::kCheckNews, "quiet hold poll"},
        {5, true, E::kToggle, "paused 3605"},
        {9, true, E::kToggle, "resumed 0"},
        {10, true, E::kPoll, "wait"},
        {12, false, E::kPoll, "stop release"}}},
      {"the pause ends by itself after an hour",
       {{0, false, E::kToggle, "paused 3600"},
        {3599, false, E::kCheckNews, "quiet hold poll"},
        {3599, false, E::kAsk, "paused 3600"},
        {3600, false, E::kPoll, "stop release"},
        {3600, false, E::kAsk, "free 0"},
        {3601, false, E::kCheckNews, "free"}}},
      {"a restart within the hour stays paused, one after it does not",
       {{0, false, E::kToggle, "paused 3600"},
        {1800, false, E::kRestart, "paused 3600"},
        {1800, false, E::kCheckNews, "quiet hold poll"},
        {3600, false, E::kRestart, "free 0"}}},
      {"a pause toggled again after a restart resumes",
       {{0, false, E::kToggle, "paused 3600"},
        {100, false, E::kRestart, "paused 3600"},
        {200, false, E::kToggle, "resumed 0"},
        {300, false, E::kRestart, "free 0"}}},
      {"a clock set back cuts the pause to an hour from then",
       {{0, false, E::kToggle, "paused 3600"},
        {-7200, false, E::kAsk, "paused -3600"},
        {-3600, false, E::kAsk, "free 0"}}},
  };
  for (const Case& c : cases) {
    FakeBusy busy;
    FakeClock clock;
    FakePauseStore store;
    auto gate = std::make_unique<QuietGate>(busy, clock, store);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      clock.now = kStart + step.at;
      busy.busy = step.busy;
      if (step.event == Event::kRestart) gate = std::make_unique<QuietGate>(busy, clock, store);
      EXPECT_EQ(Apply(*gate, store, step.event), step.expect) << c.name << ", step " << i;
    }
  }
}

TEST(QuietGate, TheSystemIsNotAskedWhilePaused) {
  FakeBusy busy;
  FakeClock clock;
  FakePauseStore store;
  QuietGate gate(busy, clock, store);
  EXPECT_FALSE(gate.Quiet());
  EXPECT_EQ(busy.asked, 1);
  gate.TogglePause();
  EXPECT_TRUE(gate.Quiet());
  EXPECT_EQ(busy.asked, 1);
}

}  // namespace
}  // namespace qptn
