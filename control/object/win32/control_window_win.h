// The control's child window on the page, which shows nothing.
#pragma once

#include <windows.h>

#include "common/win32/window_win.h"

namespace gwax {

class ControlWindow final : public qp::Window {
 public:
  // Creates the window as a child of `parent` at `position` (WS_CHILD,
  // WS_VISIBLE, WS_CLIPSIBLINGS, WS_CLIPCHILDREN); false when it can't.
  bool Open(HWND parent, const RECT& position);
  // Destroys the window if there is one.
  void Close();

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Unregisters the window class; the library calls it before it is
// unloaded, so that a later load registers its own procedure again.
void ReleaseControlWindowClass();

}  // namespace gwax
