// The clipboard, open for this thread until the owner goes.
#pragma once

#include <windows.h>

namespace qp {

class ClipboardOpen {
 public:
  explicit ClipboardOpen(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardOpen() {
    if (open_) CloseClipboard();
  }
  ClipboardOpen(const ClipboardOpen&) = delete;
  ClipboardOpen& operator=(const ClipboardOpen&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

}  // namespace qp
