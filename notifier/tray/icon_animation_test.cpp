#include "notifier/tray/icon_animation.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/fake_tray.h"

namespace qptn {
namespace {

using testing::CallLog;
using testing::Calls;
using testing::FakeTray;

class IconAnimationTest : public ::testing::Test {
 protected:
  CallLog log;
  FakeTray tray{log};
  IconAnimation animation{tray};
};

TEST_F(IconAnimationTest, AnimationStepsThroughTheFramesInOrder) {
  // A first run of the thread, left two frames on: the next run starts over.
  animation.Loop([] { return true; });
  animation.AdvanceFrame();
  animation.AdvanceFrame();
  log.Take();
  int waits = 0;
  animation.Loop([&] { return ++waits > 7; });
  EXPECT_EQ(log.Take(), (Calls{"SetIcon 137", "SetIcon 138", "SetIcon 139", "SetIcon 140",
                               "SetIcon 136", "SetIcon 137", "SetIcon 138"}));
}

// The thread spends its idle life waiting at the closed gate; a stop
// request must reach it there, or the program could not join it at exit.
TEST_F(IconAnimationTest, StopAnimationEndsTheThreadWaitingAtTheClosedGate) {
  animation.Gate().Close();
  std::thread thread([&] { animation.Run(); });
  animation.Stop();
  thread.join();
  EXPECT_TRUE(log.Take().empty()) << "no frame may be shown while the gate is closed";
}

TEST_F(IconAnimationTest, StopAnimationEndsTheThreadBetweenFrames) {
  std::thread thread([&] { animation.Run(); });
  animation.Stop();
  thread.join();
}

TEST_F(IconAnimationTest, AdvanceFrameWithoutFramesDoesNothing) {
  animation.AdvanceFrame();
  EXPECT_TRUE(log.Take().empty());
}

}  // namespace
}  // namespace qptn
