// A counting semaphore with a maximum count. Unlike a mutex it may be
// acquired by one thread and released by another, as the popup hand-off
// needs: the check thread waits on it, the window thread releases it.
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

  // Waits until the count is above zero and takes one (true), or until
  // Interrupt was called (false): the owner of a waiting thread can end the
  // wait when it has to join the thread.
  bool AcquireUnlessInterrupted() {
    std::unique_lock<std::mutex> lock(mutex_);
    available_.wait(lock, [this] { return count_ > 0 || interrupted_; });
    if (interrupted_) return false;
    --count_;
    return true;
  }

  // Ends every wait of AcquireUnlessInterrupted, now and later.
  void Interrupt() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      interrupted_ = true;
    }
    available_.notify_all();
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
  bool interrupted_ = false;
};

}  // namespace qptn
