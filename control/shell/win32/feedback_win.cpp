#include "control/shell/win32/feedback_win.h"

#include <chrono>
#include <memory>

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

ProgressThread::ProgressThread(HINSTANCE module, std::u16string text, std::u16string theme)
    : block_{module, std::move(text), std::move(theme), {}, {}},
      publication_(block_.published.get_future()) {
  try {
    thread_ = std::thread(Run, &block_);
  } catch (...) {
    // No thread: the work runs without progress, and nothing will publish.
    publication_ = {};
    return;
  }
  if (publication_.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
    feedback_ = publication_.get();
  }
}

ProgressThread::~ProgressThread() {
  // A publication that came late still has to be ended.
  if (!feedback_ && publication_.valid()) feedback_ = publication_.get();
  if (feedback_) feedback_->Dialog().RequestEnd();
  block_.released.set_value();
  if (thread_.joinable()) thread_.join();
}

void ProgressThread::Run(Block* block) {
  std::future<void> released = block->released.get_future();
  // Nothing may leave the thread function; a feedback that can't be built
  // is published as none, so the owner stops waiting for it.
  std::unique_ptr<QptFeedback> feedback;
  try {
    feedback = std::make_unique<QptFeedback>(block->module, block->text, block->theme);
  } catch (...) {
  }
  block->published.set_value(feedback.get());
  if (!feedback) return;
  feedback->Dialog().ShowModal(nullptr);
  feedback->MarkFinished();
  released.wait();
}

}  // namespace gwax
