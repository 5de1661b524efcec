#include "control/dialogs/win32/progress_thread_win.h"

#include <chrono>
#include <memory>

#include "common/win32/com_init_win.h"

namespace gwax {

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
  if (feedback_) feedback_->Progress().RequestEnd();
  block_.released.set_value();
  if (thread_.joinable()) thread_.join();
}

void ProgressThread::Run(Block* block) {
  std::future<void> released = block->released.get_future();
  // Screen readers reach the dialog through COM: its answers are
  // marshalled from this thread's apartment.
  qp::ComInitialization com;
  // Nothing may leave the thread function; a feedback that can't be built
  // is published as none, so the owner stops waiting for it.
  std::unique_ptr<QptFeedback> feedback;
  try {
    feedback = std::make_unique<QptFeedback>(block->module, block->text, block->theme);
  } catch (...) {
  }
  block->published.set_value(feedback.get());
  if (!feedback) return;
  feedback->Progress().ShowModal(nullptr);
  feedback->MarkFinished();
  released.wait();
}

}  // namespace gwax
