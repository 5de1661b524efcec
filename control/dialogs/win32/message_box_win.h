// The themed message box (template 208): a caption band, the text and bitmap buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win32/gdi_win.h"
#include "control/dialogs/dialog_layout.h"
#include "control/dialogs/win32/themed_dialog_win.h"

namespace gwax {

// A button drawn with its theme bitmap: a child window whose id is its
// result, so that the keyboard and screen readers reach it.
struct ThemedButton {
  qp::UniqueBitmap bitmap;
  ButtonBox box;  // width and height from the bitmap
  std::u16string label;
  HWND window = nullptr;  // destroyed with the box
};

// OK closes it with 1, Cancel with 2; OK has the focus first and is the
// default, Tab moves between them, Escape is Cancel when there is one.
class MsgBox : public QPTDlg {
 public:
  // `buttons` 1 gives OK and Cancel, anything else OK alone.
  MsgBox(HINSTANCE module, std::u16string caption, std::u16string text, std::u16string theme,
         int buttons);

  void Paint(HDC dc, const RECT& area) override;
  // A key released while the box itself has the focus.
  void KeyReleased(unsigned key) override;
  void Command(int code, int id) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 protected:
  void Initialise() override;
  HWND FirstFocus() const override;

 private:
  int AddButton(std::u16string_view prefix, std::u16string_view theme, int result,
                std::u16string label);
  void CreateButtonWindows();
  std::vector<ButtonBox> Boxes() const;

  std::u16string caption_;
  std::u16string text_;
  std::u16string theme_;
  int buttons_;
  qp::UniqueFont captionFont_;
  qp::UniqueFont textFont_;
  COLORREF colour_ = RGB(193, 221, 48);
  std::vector<ThemedButton> themedButtons_;
  int enter_ = -1;
  int escape_ = -1;
};

// Shows a themed message box from the control library's own resources,
// modal to `parent` (which may be none); returns 1 for OK, 2 for Cancel.
int ShowThemedMessage(HWND parent, const std::u16string& text, const std::u16string& caption,
                      int buttons, const std::u16string& theme);

}  // namespace gwax
