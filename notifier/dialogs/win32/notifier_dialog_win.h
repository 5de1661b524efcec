// The notifier's modal dialogs: one dialog procedure forwarding to virtual
// operations (NotifierDialog), the branded base with its header (QptnDlg),
// the question before an account is deleted (ConfirmDlg) and the account
// sign-in (EmailDlg).
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "common/win32/gdi_win.h"
#include "common/win32/window_win.h"
#include "notifier/dialogs/dialog_rules.h"
#include "notifier/popup/win32/contrast_win.h"
#include "notifier/popup/win32/popup_gdi_win.h"

namespace qptn {

class NotifierDialog : public qp::Dialog {
 public:
  NotifierDialog(HINSTANCE module, int templateId) : module_(module), templateId_(templateId) {}
  // Runs the dialog modally over `parent` (which may be none), placed beside
  // it; 1 for OK, 2 for Cancel, Close or the close box.
  INT_PTR Run(HWND parent);
  // The colours it paints with: its own, or the system's in high contrast.
  const Palette& Colours() const { return colours_; }

 protected:
  HINSTANCE Module() const { return module_; }
  void End(INT_PTR result) { EndDialog(Handle(), result); }
  // A control on the dialog's ground: transparent text in the text colour;
  // the brush to return.
  HBRUSH ControlOnBackground(HDC dc) const;
  HBRUSH BackgroundBrush() const { return background_.Get(); }

  // The operations the dialog procedure calls, in their order.
  virtual void initDialog();  // placement beside the parent
  virtual void paint(HDC, const RECT&) {}
  virtual void leftButtonDown(int, int) {}
  virtual void leftButtonUp(int, int) {}
  virtual void ok() { End(1); }
  virtual void command(int, int) {}
  virtual HBRUSH controlColor(HDC, HWND) { return nullptr; }
  virtual bool setCursor() { return false; }
  // WM_DRAWITEM of a control the dialog draws itself; true when drawn.
  virtual bool drawItem(const DRAWITEMSTRUCT&) { return false; }

 private:
  INT_PTR OnInitDialog() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Reads the system's contrast again, as the dialog opens and when the
  // system's colours or settings change.
  void RefreshColours();

  HINSTANCE module_;
  int templateId_;
  bool positionOnInit_ = false;
  Palette colours_;
  qp::UniqueBrush background_;
};

// White (in high contrast the system's window colour), with a header bar:
// "Desktop Notifier", the version, the logo (a link to the vendor) unless
// hidden, and the help image. The logo and the help image are also buttons
// that the Tab key reaches and screen readers name; they draw the same
// pictures at the same places.
class QptnDlg : public NotifierDialog {
 public:
  QptnDlg(HINSTANCE module, int templateId, bool hideLogo);

 protected:
  enum Font { kNormal, kBold, kUnderlined, kLarge, kSmall };
  HFONT Get(Font font) const { return fonts_[font].Get(); }
  // The header; each dialog draws its own heading below it.
  void PaintHeader(HDC dc, const RECT& client);
  void PaintHeading(HDC dc, const RECT& client, const char16_t* heading);
  int HeaderHeight() const;
  // Makes the header's buttons and tells screen readers what the header
  // and `heading` say; once the dialog has its final size.
  void AddHeaderButtons(const char16_t* heading);

  void leftButtonDown(int x, int y) override;
  void command(int id, int code) override;
  HBRUSH controlColor(HDC dc, HWND control) override;
  bool setCursor() override;
  bool drawItem(const DRAWITEMSTRUCT& item) override;
  virtual void help(const std::u16string&) {}

  const bool hideLogo_;

 private:
  // Where the logo (none when hidden) and the help image stand.
  void PlaceHeaderImages(const RECT& client);
  void OpenVendorPage();

  PopupBitmaps bitmaps_;
  RECT helpRect_{};
  RECT logoRect_{};
  std::array<qp::UniqueFont, 5> fonts_;
};

// A focus rectangle inside a control the dialog draws, when it has the
// keyboard focus.
void DrawFocus(const DRAWITEMSTRUCT& item);

class ConfirmDlg final : public NotifierDialog {
 public:
  explicit ConfirmDlg(HINSTANCE module);

 private:
  void initDialog() override;
  void paint(HDC dc, const RECT& client) override;
  HBRUSH controlColor(HDC dc, HWND control) override;
};

// Asks for an address and a password and accepts them only once the service
// has confirmed them; the caller's strings change only then.
class EmailDlg final : public QptnDlg {
 public:
  EmailDlg(HINSTANCE module, bool hideLogo, AccountService& service, std::u16string& address,
           std::u16string& password);

 private:
  void initDialog() override;
  void paint(HDC dc, const RECT& client) override;
  void ok() override;
  HBRUSH controlColor(HDC dc, HWND control) override;

  AccountService& service_;
  std::u16string& address_;
  std::u16string& password_;
};

// The text of a dialog control.
std::u16string ControlText(HWND dialog, int id);
// Whether (x, y) lies in `r`, right and bottom edges excluded.
bool Inside(const RECT& r, int x, int y);
// The cursor's position in `window`'s client coordinates.
POINT CursorInClient(HWND window);

}  // namespace qptn
