// The two waits of the icon animation thread: the gate that lets it step
// only while a check runs, and the stop request its owner gives before
// joining it.
#pragma once

#include <condition_variable>
#include <mutex>

namespace qptn {

// Lets the icon animation run only while a check runs. Closing waits for a
// frame step in progress to finish; no step runs while the gate is closed.
// Closed by one thread, opened by another, so it behaves as a semaphore of
// one. Stop wakes a thread waiting to pass, for good, so that the animation
// thread can be joined while the gate is closed.
class AnimationGate {
 public:
  void Close() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
    open_ = false;
  }

  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }

  // Runs `step` once the gate is open, keeping it shut for the step's
  // length. False, without running the step, once the gate was stopped.
  template <typename Step>
  bool Pass(Step&& step) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return open_ || stopped_; });
      if (stopped_) return false;
      open_ = false;
    }
    step();
    Open();
    return true;
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

  bool IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  bool stopped_ = false;
};

// A request to stop that a worker thread waits for between its steps.
class StopSignal {
 public:
  void Request() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requested_ = true;
    }
    requestedCv_.notify_all();
  }

  // Waits at most `duration`; true when the stop was requested.
  template <typename Duration>
  bool WaitFor(Duration duration) {
    std::unique_lock<std::mutex> lock(mutex_);
    return requestedCv_.wait_for(lock, duration, [this] { return requested_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable requestedCv_;
  bool requested_ = false;
};

}  // namespace qptn
