#include "notifier/check/bounded_semaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qptn {
namespace {

TEST(BoundedSemaphore, CountStaysWithinZeroAndMaximum) {
  BoundedSemaphore s(0, 1);
  EXPECT_FALSE(s.TryAcquire());
  EXPECT_TRUE(s.Release());
  EXPECT_FALSE(s.Release()) << "a release at the maximum must be refused";
  EXPECT_EQ(s.Count(), 1u);
  EXPECT_TRUE(s.TryAcquire());
  EXPECT_EQ(s.Count(), 0u);
  BoundedSemaphore clamped(5, 2);
  EXPECT_EQ(clamped.Count(), 2u);
}

TEST(BoundedSemaphore, ReleaseFromAnotherThreadWakesTheWaiter) {
  BoundedSemaphore s(0, 1);
  std::atomic<bool> woke{false};
  std::thread waiter([&] {
    s.Acquire();
    woke = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(woke.load()) << "Acquire returned with a count of zero";
  s.Release();
  waiter.join();
  EXPECT_TRUE(woke.load());
  EXPECT_EQ(s.Count(), 0u);
}

}  // namespace
}  // namespace qptn
