// The base of the themed dialogs: window text, topmost modal runs, and the paint and input slots.
#pragma once

#include <windows.h>

#include "common/win32/window_win.h"

namespace gwax {

class QPTDlg : public qp::Dialog {
 public:
  // The template and its bitmaps are loaded from `module`.
  QPTDlg(HINSTANCE module, int templateId);

  // Runs the dialog modally, topmost, and returns its result (-1 when it
  // could not be created).
  INT_PTR ShowModal(HWND parent);
  // Creates the dialog modelessly; the window stays with this object.
  HWND ShowModeless(HWND parent);
  bool WindowExists() const;

  virtual void Paint(HDC, const RECT& /*area*/) {}
  virtual void MouseDown(int /*x*/, int /*y*/) {}
  virtual void MouseUp(int /*x*/, int /*y*/) {}
  virtual void KeyReleased(unsigned /*key*/) {}
  virtual void Command(int /*code*/, int /*id*/) {}

 protected:
  // Sets the window text and, for a modal run, makes the window topmost.
  virtual void Initialise();
  // Ends a modal run with `result`, or destroys a modeless window.
  void End(INT_PTR result);
  HINSTANCE module() const { return module_; }

 private:
  INT_PTR OnInitDialog() final;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) final;

  HINSTANCE module_;
  int templateId_;
  bool topmost_ = false;
  bool modal_ = false;
};

}  // namespace gwax
