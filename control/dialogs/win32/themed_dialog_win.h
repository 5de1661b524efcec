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
  // An owner-drawn control of the dialog; false when it is none of this
  // dialog's.
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }

 protected:
  // Sets the window text and, for a modal run, makes the window topmost.
  virtual void Initialise();
  // The control that has the keyboard focus when the dialog opens, for
  // controls made by Initialise; none: the template's first tab stop.
  virtual HWND FirstFocus() const { return nullptr; }
  // Tells screen readers about the dialog once it is on the screen.
  void AnnounceWhenShown();
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
