#include "control/dialogs/win32/feedback_win.h"

#include "common/win32/wide_win.h"
#include "resource_ids.h"

namespace gwax {

QptFeedback::QptFeedback(HINSTANCE module, const std::u16string& text, const std::u16string& theme)
    : progress_(module, text, theme, IDD_UPLOAD_PROGRESS) {}

int QptFeedback::ShowPlainMessage(const std::u16string& text, const std::u16string& caption,
                                  unsigned type) {
  return MessageBoxW(nullptr, qp::Wide(text), qp::Wide(caption), type);
}

void QptFeedback::SetText(const std::u16string& text) { progress_.SetText(text); }

void QptFeedback::SetProgress(int32_t done, int32_t total) { progress_.SetProgress(done, total); }

}  // namespace gwax
