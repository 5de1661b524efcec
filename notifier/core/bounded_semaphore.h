// A counting semaphore with a maximum count. Unlike a mutex it may be
// acquired by one thread and released by another, which the icon animation
// gate and the popup hand-off both need.
#pragma once

#include <condition_variable>
#include <mutex>

namespace qptn {

class BoundedSemaphore {
 public:
  BoundedSemaphore(unsigned initial, unsigned maximum)
      : count_(initial < maximum ? initial : maximum), maximum_(maximum) {}
  BoundedSemaphore(const BoundedSemaphore&) = delete;
  BoundedSemaphore& operator=(const BoundedSemaphore&) = delete;

  // Waits until the count is above zero, then takes one.
  void Acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    available_.wait(lock, [this] { return count_ > 0; });
    --count_;
  }

  // Takes one if the count is above zero; never waits.
  bool TryAcquire() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count_ == 0) return false;
    --count_;
    return true;
  }

  // Gives one back. At the maximum the release is refused (false), as a
  // Win32 semaphore refuses it.
  bool Release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (count_ >= maximum_) return false;
      ++count_;
    }
    available_.notify_one();
    return true;
  }

  unsigned Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable available_;
  unsigned count_;
  const unsigned maximum_;
};

// Lets the icon animation run only while a check runs. Closing waits for a
// frame step in progress to finish; no step runs while the gate is closed.
// Closed by one thread, opened by another, so it is a semaphore of one.
class AnimationGate {
 public:
  void Close() { state_.Acquire(); }
  void Open() { state_.Release(); }

  // Runs `step` while the gate is open, keeping it shut for the step's length.
  template <typename Step>
  void Pass(Step&& step) {
    state_.Acquire();
    step();
    state_.Release();
  }

  bool IsOpen() const { return state_.Count() > 0; }

 private:
  BoundedSemaphore state_{1, 1};
};

}  // namespace qptn
