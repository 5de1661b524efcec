// The progress interface that transfers report through: text, progress and cancellation.
#pragma once

#include <cstdint>
#include <string>

namespace gwax {

class Feedback {
 public:
  virtual ~Feedback() = default;
  // A plain system message box without owner; `type` carries its button
  // and icon flags. Returns the button that closed it.
  virtual int ShowPlainMessage(const std::u16string& text, const std::u16string& caption,
                               unsigned type) = 0;
  // Shown with the next progress update.
  virtual void SetText(const std::u16string& text) = 0;
  virtual void SetProgress(int32_t done, int32_t total) = 0;
  // True once the progress dialog has ended, by its Cancel button or by
  // its owner.
  virtual bool IsCancelled() = 0;
};

}  // namespace gwax
