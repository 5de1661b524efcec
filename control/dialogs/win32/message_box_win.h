// The themed message box (template 208): a caption band, the text and bitmap buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win32/gdi_win.h"
#include "control/dialogs/dialog_layout.h"
#include "control/dialogs/win32/themed_dialog_win.h"

namespace gwax {

struct ThemedButton {
  qp::UniqueBitmap bitmap;
  ButtonBox box;  // width and height from the bitmap
};

// OK closes it with 1, Cancel with 2.
class MsgBox : public QPTDlg {
 public:
  // `buttons` 1 gives OK and Cancel, anything else OK alone.
  MsgBox(HINSTANCE module, std::u16string caption, std::u16string text, std::u16string theme,
         int buttons);

  void Paint(HDC dc, const RECT& area) override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;
  void KeyReleased(unsigned key) override;

 protected:
  void Initialise() override;

 private:
  int AddButton(std::u16string_view prefix, std::u16string_view theme, int result);
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

}  // namespace gwax
