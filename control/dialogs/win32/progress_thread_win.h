// The thread that runs an upload's progress dialog while the page's thread uploads.
#pragma once

#include <windows.h>

#include <future>
#include <string>
#include <thread>

#include "control/dialogs/feedback.h"
#include "control/dialogs/win32/feedback_win.h"

namespace gwax {

// Runs the dialog modally, without parent (so topmost), on a thread of its
// own. The feedback stays valid until this object goes: the thread keeps it
// after the dialog ended and destroys it only once the owner has let go, so
// a late call from the uploader can't reach a destroyed object.
class ProgressThread {
 public:
  ProgressThread(HINSTANCE module, std::u16string text, std::u16string theme);
  // Ends the dialog, lets the thread destroy it and waits for the thread.
  ~ProgressThread();
  ProgressThread(const ProgressThread&) = delete;
  ProgressThread& operator=(const ProgressThread&) = delete;

  // The published feedback; null when the thread did not publish it within
  // ten seconds, in which case the work runs without progress.
  Feedback* feedback() const { return feedback_; }

 private:
  struct Block {
    HINSTANCE module;
    std::u16string text;
    std::u16string theme;
    std::promise<QptFeedback*> published;
    std::promise<void> released;
  };

  static void Run(Block* block);

  Block block_;
  std::future<QptFeedback*> publication_;
  std::thread thread_;
  QptFeedback* feedback_ = nullptr;
};

}  // namespace gwax
