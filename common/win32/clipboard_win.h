// The clipboard, open for this thread until the owner goes.
#pragma once

#include <windows.h>

namespace qp {

class ClipboardOpen {
 public:
  explicit ClipboardOpen(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardOpen() { Close(); }
  ClipboardOpen(const ClipboardOpen&) = delete;
  ClipboardOpen& operator=(const ClipboardOpen&) = delete;
  bool IsOpen() const { return open_; }
  // Closes the clipboard before the owner goes, for work that needs it
  // closed (the system's clipboard object can't be read while it is open).
  void Close() {
    if (open_) CloseClipboard();
    open_ = false;
  }

 private:
  bool open_;
};

}  // namespace qp
