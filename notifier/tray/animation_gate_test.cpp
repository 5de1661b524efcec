#include "notifier/tray/animation_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qptn {
namespace {

TEST(AnimationGate, NoStepRunsWhileClosed) {
  AnimationGate gate;
  gate.Close();
  EXPECT_FALSE(gate.IsOpen());
  std::atomic<int> steps{0};
  std::thread stepper([&] { gate.Pass([&] { ++steps; }); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(steps.load(), 0);
  gate.Open();  // opened by another thread than the one that closed it
  stepper.join();
  EXPECT_EQ(steps.load(), 1);
  EXPECT_TRUE(gate.IsOpen()) << "a step must leave the gate as it found it";
}

TEST(AnimationGate, ClosingWaitsForTheStepInProgress) {
  AnimationGate gate;
  std::atomic<bool> inStep{false};
  std::atomic<bool> stepDone{false};
  std::thread stepper([&] {
    gate.Pass([&] {
      inStep = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      stepDone = true;
    });
  });
  while (!inStep) std::this_thread::yield();
  gate.Close();
  EXPECT_TRUE(stepDone.load()) << "Close returned while a frame step was running";
  stepper.join();
  EXPECT_FALSE(gate.IsOpen());
}

TEST(AnimationGate, StopWakesAWaiterAndRefusesLaterPasses) {
  AnimationGate gate;
  gate.Close();
  std::atomic<int> steps{0};
  bool passed = true;
  std::thread stepper([&] { passed = gate.Pass([&] { ++steps; }); });
  gate.Stop();
  stepper.join();
  EXPECT_FALSE(passed);
  gate.Open();
  EXPECT_FALSE(gate.Pass([&] { ++steps; })) << "a stopped gate lets no step through";
  EXPECT_EQ(steps.load(), 0);
}

TEST(StopSignal, WaitReportsWhetherTheStopWasRequested) {
  StopSignal stop;
  EXPECT_FALSE(stop.WaitFor(std::chrono::milliseconds(1)));
  std::thread requester([&] { stop.Request(); });
  EXPECT_TRUE(stop.WaitFor(std::chrono::hours(1))) << "a request must end a long wait";
  requester.join();
  EXPECT_TRUE(stop.WaitFor(std::chrono::milliseconds(0))) << "a request stays";
}

}  // namespace
}  // namespace qptn
