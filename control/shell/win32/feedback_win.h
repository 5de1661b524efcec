// Progress feedback for transfers: the interface the uploads call, its
// implementation with an upload progress dialog, and the thread that runs
// that dialog while the page's thread uploads.
#pragma once

#include <windows.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>

#include "control/shell/win32/dialogs_win.h"

namespace gwax {

class Feedback {
 public:
  virtual ~Feedback() = default;
  // A plain system message box without owner; returns its result.
  virtual int ShowPlainMessage(const std::u16string& text, const std::u16string& caption,
                               unsigned type) = 0;
  virtual void SetText(const std::u16string& text) = 0;
  virtual void SetProgress(int32_t done, int32_t total) = 0;
  // True once the progress dialog has ended, by its Cancel button or by
  // its owner.
  virtual bool IsCancelled() = 0;
};

class QptFeedback : public Feedback {
 public:
  QptFeedback(HINSTANCE module, const std::u16string& text, const std::u16string& theme);

  int ShowPlainMessage(const std::u16string& text, const std::u16string& caption,
                       unsigned type) override;
  void SetText(const std::u16string& text) override;
  void SetProgress(int32_t done, int32_t total) override;
  bool IsCancelled() override { return finished_; }

  QPTProgress& Dialog() { return progress_; }
  void MarkFinished() { finished_ = true; }

 private:
  QPTProgress progress_;
  std::atomic<bool> finished_{false};
};

// Runs an upload's progress dialog modally, without parent (so topmost),
// on a thread of its own. The feedback stays valid until this object goes:
// the thread keeps it after the dialog ended and destroys it only once the
// owner has let go, so a late call from the uploader can't reach a
// destroyed object.
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
