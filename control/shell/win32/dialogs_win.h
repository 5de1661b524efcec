// The control's themed dialogs: a download progress dialog, an upload
// progress dialog with a Cancel button, and a message box with bitmap
// buttons, in the colours of the page's theme.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "common/win32/gdi_win.h"
#include "control/dialogs/dialog_layout.h"

namespace gwax {

// Base of the three dialogs. One dialog procedure serves all of them and
// calls the object that WM_INITDIALOG brought.
class QPTDlg {
 public:
  QPTDlg(HINSTANCE module, int templateId);
  // Destroys the window if it still exists.
  virtual ~QPTDlg();
  QPTDlg(const QPTDlg&) = delete;
  QPTDlg& operator=(const QPTDlg&) = delete;

  // Sets the window text and, for a modal run, makes the window topmost.
  virtual void Initialise(HWND window);
  virtual void Paint(HDC, const RECT& /*area*/) {}
  virtual void MouseDown(int /*x*/, int /*y*/) {}
  virtual void MouseUp(int /*x*/, int /*y*/) {}
  virtual void KeyReleased(unsigned /*key*/) {}
  virtual void Command(int /*code*/, int /*id*/) {}

  // Runs the dialog modally and returns its result (-1 when it could not
  // be created).
  INT_PTR ShowModal(HWND parent);
  // Creates the dialog modelessly; the window stays with this object.
  HWND ShowModeless(HWND parent);

  HWND Window() const { return window_; }
  bool WindowExists() const;

 protected:
  void End(INT_PTR result);
  HINSTANCE module() const { return module_; }

 private:
  friend INT_PTR CALLBACK QptDialogProc(HWND, UINT, WPARAM, LPARAM);

  HINSTANCE module_;
  std::atomic<HWND> window_{nullptr};
  int templateId_;
  bool topmost_ = false;
  bool modal_ = false;
};

// A progress bar with a line of text; the upload variant has a Cancel
// button (template 209), which ends the dialog with its id.
class QPTProgress : public QPTDlg {
 public:
  QPTProgress(HINSTANCE module, std::u16string text, std::u16string_view theme, int templateId);

  void Initialise(HWND window) override;
  void Paint(HDC dc, const RECT& area) override;
  void Command(int code, int id) override;

  // Shown with the next progress update.
  void SetText(std::u16string text);
  // Repaints at once, also while this thread is busy with a transfer.
  void SetProgress(int32_t position, int32_t range);
  // Ends the dialog from any thread, also before its window exists.
  void RequestEnd();

 private:
  // The uploader's thread writes these while the dialog's thread paints.
  std::mutex stateLock_;
  std::u16string text_;
  int32_t position_ = 0;
  int32_t range_ = 100;
  bool clearBeforePaint_ = true;
  COLORREF barColour_;
  qp::UniqueFont font_;
  std::atomic<bool> endRequested_{false};
};

struct ThemedButton {
  qp::UniqueBitmap bitmap;
  ButtonBox box;  // width and height from the bitmap
};

// Message box in the page's theme (template 208); OK returns 1, Cancel 2.
class MsgBox : public QPTDlg {
 public:
  MsgBox(HINSTANCE module, std::u16string caption, std::u16string text, std::u16string theme,
         int buttons);

  void Initialise(HWND window) override;
  void Paint(HDC dc, const RECT& area) override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;
  void KeyReleased(unsigned key) override;

 private:
  std::vector<ButtonBox> Boxes() const;

  std::u16string caption_;
  std::u16string text_;
  std::u16string theme_;
  int buttons_;
  qp::UniqueFont captionFont_;
  qp::UniqueFont textFont_;
  COLORREF colour_ = RGB(193, 221, 48);
  std::vector<ThemedButton> themedButtons_;
  int pressed_ = -1;
  int enter_ = -1;
  int escape_ = -1;
};

// Shows a themed message box from the control library's own resources,
// modal to `parent` (which may be none); returns 1 for OK, 2 for Cancel.
int ShowThemedMessage(HWND parent, const std::u16string& text, const std::u16string& caption,
                      int buttons, const std::u16string& theme);

// The theme colour: the top-left pixel of "PAL_" + theme, or of PAL_GREEN.
COLORREF ThemeColour(HINSTANCE module, std::u16string_view theme);

}  // namespace gwax
