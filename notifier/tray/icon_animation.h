// The tray icon's animation while a mail check runs: the frame list, the
// frame step, and the loop of the animation thread, which steps only while
// the gate lets it.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

#include "notifier/tray/animation_gate.h"
#include "notifier/tray/tray_port.h"

namespace qptn {

// Time between two frames.
inline constexpr unsigned kFrameMs = 250;

class IconAnimation {
 public:
  explicit IconAnimation(TrayPort& tray) : tray_(tray) {}
  IconAnimation(const IconAnimation&) = delete;
  IconAnimation& operator=(const IconAnimation&) = delete;

  // Body of the animation thread: waits a frame's time with `wait`, which
  // says true once the thread is to stop, and steps while the gate lets it.
  template <typename Wait>
  void Loop(Wait wait) {
    ResetFrames();
    while (!wait()) {
      if (!gate_.Pass([this] { AdvanceFrame(); })) return;
    }
  }

  // The loop as the program runs it; returns after Stop.
  void Run();
  // Wakes the animation thread wherever it waits, so its owner can join it.
  void Stop();
  // One frame on. A check also steps once itself right after it opens the
  // gate, so that the icon changes at once.
  void AdvanceFrame();

  // Open while a check runs.
  AnimationGate& Gate() { return gate_; }
  // Whether a check animates the icon; the resting icon shows once it ends.
  bool Animating() const { return animating_; }
  void SetAnimating(bool animating) { animating_ = animating; }

 private:
  void ResetFrames();

  TrayPort& tray_;
  AnimationGate gate_;
  StopSignal stop_;
  std::mutex frameLock_;  // the frame list and index: animation and check threads step them
  std::vector<int> frames_;
  size_t index_ = 0;
  std::atomic<bool> animating_{false};
};

}  // namespace qptn
