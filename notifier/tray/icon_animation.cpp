#include "notifier/tray/icon_animation.h"

#include <chrono>

namespace qptn {

void IconAnimation::Run() {
  Loop([this] { return stop_.WaitFor(std::chrono::milliseconds(kFrameMs)); });
}

void IconAnimation::Stop() {
  stop_.Request();
  gate_.Stop();
}

void IconAnimation::AdvanceFrame() {
  std::lock_guard<std::mutex> lock(frameLock_);
  if (frames_.empty()) return;
  index_ = (index_ + 1) % frames_.size();
  tray_.SetIcon(frames_[index_]);
}

// The frames anew, whatever an earlier run left.
void IconAnimation::ResetFrames() {
  std::lock_guard<std::mutex> lock(frameLock_);
  frames_.clear();
  for (int id = kIconCheckFirst; id <= kIconCheckLast; ++id) frames_.push_back(id);
  index_ = 0;
}

}  // namespace qptn
