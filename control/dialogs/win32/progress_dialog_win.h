// The themed progress dialog: a bar and a line of text, for uploads with a Cancel button.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32/gdi_win.h"
#include "control/dialogs/win32/themed_dialog_win.h"

namespace gwax {

// The Cancel button ends the dialog with its id. Screen readers find the
// shown text as the description of the dialog's client area.
class QPTProgress : public QPTDlg {
 public:
  QPTProgress(HINSTANCE module, std::u16string text, std::u16string_view theme, int templateId);

  void Paint(HDC dc, const RECT& area) override;
  void Command(int code, int id) override;

  // Shown with the next progress update.
  void SetText(std::u16string text);
  // Repaints at once, also while this thread is busy with a transfer.
  void SetProgress(int32_t position, int32_t range);
  // Ends the dialog from any thread, also before its window exists.
  void RequestEnd();

 protected:
  void Initialise() override;

 private:
  // Tells screen readers the text the dialog shows now; on its own thread.
  void Describe(const std::u16string& text);

  // The uploader's thread writes these while the dialog's thread paints.
  std::mutex stateLock_;
  std::u16string text_;
  int32_t position_ = 0;
  int32_t range_ = 100;
  bool clearBeforePaint_ = true;
  COLORREF barColour_;
  qp::UniqueFont font_;
  std::atomic<bool> endRequested_{false};
  // What screen readers were last told; the dialog's thread only.
  std::optional<std::u16string> described_;
};

}  // namespace gwax
