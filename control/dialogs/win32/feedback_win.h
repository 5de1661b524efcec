// Feedback through an upload progress dialog; its Cancel button or end counts as cancelling.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "control/dialogs/feedback.h"
#include "control/dialogs/win32/progress_dialog_win.h"

namespace gwax {

class QptFeedback : public Feedback {
 public:
  QptFeedback(HINSTANCE module, const std::u16string& text, const std::u16string& theme);

  int ShowPlainMessage(const std::u16string& text, const std::u16string& caption,
                       unsigned type) override;
  void SetText(const std::u16string& text) override;
  void SetProgress(int32_t done, int32_t total) override;
  bool IsCancelled() override { return finished_; }

  QPTProgress& Progress() { return progress_; }
  void MarkFinished() { finished_ = true; }

 private:
  QPTProgress progress_;
  std::atomic<bool> finished_{false};
};

}  // namespace gwax
