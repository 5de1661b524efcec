#include "notifier/dialogs/win32/notifier_dialog_win.h"

#include <shellapi.h>

#include <vector>

#include "common/win32/accessible_win.h"
#include "common/win32/shell_open_win.h"
#include "common/win32/wide_win.h"
#include "notifier/app/constants.h"
#include "notifier/check/own_version.h"
#include "notifier/dialogs/account_list.h"
#include "notifier/resources/resource.h"

namespace qptn {

namespace {

// The rectangle in the background colour, as the dialog's ground.
void FillBackground(HDC dc, const RECT& r, const Palette& colours) {
  const COLORREF previous = SetBkColor(dc, ToColorref(colours.background));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, L"", 0, nullptr);
  SetBkColor(dc, previous);
}

void MoveControlUp(HWND dialog, int id, int dy) {
  HWND control = GetDlgItem(dialog, id);
  RECT r{};
  if (!control || !GetWindowRect(control, &r)) return;
  POINT at{r.left, r.top};
  ScreenToClient(dialog, &at);
  SetWindowPos(control, nullptr, at.x, at.y - dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace

void DrawFocus(const DRAWITEMSTRUCT& item) {
  if (!(item.itemState & ODS_FOCUS) || (item.itemState & ODS_NOFOCUSRECT)) return;
  RECT r = item.rcItem;
  DrawFocusRect(item.hDC, &r);
}

bool Inside(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

POINT CursorInClient(HWND window) {
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(window, &p);
  return p;
}

std::u16string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  const int length = control ? GetWindowTextLengthW(control) : 0;
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  if (control) GetWindowTextW(control, text.data(), length + 1);
  return qp::FromWide(text.data());
}

// --- the dialog procedure ---------------------------------------------------------

INT_PTR NotifierDialog::Run(HWND parent) {
  positionOnInit_ = true;
  return RunModal(module_, templateId_, parent);
}

// TRUE lets the system give the focus to the first control the Tab key
// reaches; a dialog that gave it elsewhere keeps its choice.
INT_PTR NotifierDialog::OnInitDialog() {
  RefreshColours();
  initDialog();
  HWND focus = GetFocus();
  return focus && IsChild(Handle(), focus) ? FALSE : TRUE;
}

void NotifierDialog::RefreshColours() {
  colours_ = SystemPalette();
  background_.Reset(CreateSolidBrush(ToColorref(colours_.background)));
}

HBRUSH NotifierDialog::ControlOnBackground(HDC dc) const {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorref(colours_.text));
  SetBkColor(dc, ToColorref(colours_.background));
  return BackgroundBrush();
}

void NotifierDialog::initDialog() {
  if (!positionOnInit_) return;
  HWND parent = GetParent(Handle());
  RECT own{};
  GetWindowRect(Handle(), &own);
  RECT outer{};
  if (parent && GetWindowRect(parent, &outer)) {
    const ScreenPoint at = DialogPlacement({outer.left, outer.top, outer.right, outer.bottom},
                                           own.right - own.left, own.bottom - own.top);
    SetWindowPos(Handle(), HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE);
  } else {
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  }
}

INT_PTR NotifierDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      const qp::Painting painting(Handle());
      RECT client{};
      GetClientRect(Handle(), &client);
      paint(painting.Dc(), client);
      return TRUE;
    }
    case WM_CLOSE:
      End(2);
      return TRUE;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      FillBackground(reinterpret_cast<HDC>(wParam), client, colours_);
      return TRUE;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      RefreshColours();
      RedrawWindow(Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
      return FALSE;
    case WM_SETCURSOR: {
      const bool handled = setCursor();
      SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, handled ? TRUE : FALSE);
      return handled ? TRUE : FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK) {
        ok();
      } else if (id == IDCANCEL) {
        End(2);
      } else {
        command(id, HIWORD(wParam));
      }
      return FALSE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(
          controlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!item || !drawItem(*item)) return FALSE;
      SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      leftButtonDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return TRUE;
    case WM_LBUTTONUP:
      leftButtonUp(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return TRUE;
    default:
      return FALSE;
  }
}

// --- the branded base ---------------------------------------------------------------

QptnDlg::QptnDlg(HINSTANCE module, int templateId, bool hideLogo)
    : NotifierDialog(module, templateId), hideLogo_(hideLogo) {
  bitmaps_.Load(module, {IDB_POPUP_HEADER, IDB_POPUP_HEADER_BAND, IDB_POPUP_FOOTER_BAND,
                         IDB_POPUP_LOGO, IDB_DIALOG_HELP});
  struct Spec {
    int height, weight;
    bool underline;
  };
  const Spec specs[] = {{15, FW_NORMAL, false}, {15, FW_BOLD, false}, {15, FW_NORMAL, true},
                        {22, FW_BOLD, false},   {12, FW_NORMAL, false}};
  for (size_t i = 0; i < fonts_.size(); ++i) {
    fonts_[i].Reset(CreateFontW(specs[i].height, 0, 0, 0, specs[i].weight, FALSE,
                                specs[i].underline, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  }
}

int QptnDlg::HeaderHeight() const {
  const PopupBitmap* header = bitmaps_.Find(IDB_POPUP_HEADER);
  return header ? header->height : 35;
}

void QptnDlg::PaintHeader(HDC dc, const RECT& client) {
  const int w = client.right - client.left;
  const int h = HeaderHeight();
  qp::UniquePen pen(CreatePen(PS_SOLID, 1, ToColorref(Colours().frame)));
  const HGDIOBJ oldPen = SelectObject(dc, pen.Get());
  const HGDIOBJ oldFont = SelectObject(dc, Get(kBold));
  const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  Rectangle(dc, client.left, client.top, client.right, client.bottom);
  auto stretch = [&](int id, int x, int y, int height) {
    const PopupBitmap* b = bitmaps_.Find(id);
    if (!b) return;
    if (height < 0) height = b->height;
    if (DrawsBitmap(Colours(), id)) {
      StretchBlt(dc, x, y, w - 2, height, b->dc.Get(), 0, 0, 1, b->height, SRCCOPY);
    } else {
      FillBackground(dc, {x, y, x + w - 2, y + height}, Colours());
    }
  };
  stretch(IDB_POPUP_HEADER, client.left + 1, client.top, h);
  PlaceHeaderImages(client);
  if (const PopupBitmap* logo = bitmaps_.Find(IDB_POPUP_LOGO); logo && !IsRectEmpty(&logoRect_)) {
    BitBlt(dc, logoRect_.left, logoRect_.top, logo->width, logo->height, logo->dc.Get(), 0, 0,
           SRCCOPY);
  }
  stretch(IDB_POPUP_HEADER_BAND, client.left + 1, client.top + h, -1);
  if (const PopupBitmap* band = bitmaps_.Find(IDB_POPUP_FOOTER_BAND)) {
    stretch(IDB_POPUP_FOOTER_BAND, client.left + 1, client.bottom - band->height - 1, -1);
  }
  MoveToEx(dc, client.left, h, nullptr);
  LineTo(dc, client.right, h);
  // The title, centred in the header's height, and the version after it.
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorref(Colours().heading));
  RECT title{12, 0, 330, h};
  RECT measured = title;
  DrawTextW(dc, qp::Wide(kDialogTitle), -1, &measured, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  const int down = (h - (measured.bottom - measured.top)) / 2;
  OffsetRect(&measured, 0, down);
  DrawTextW(dc, qp::Wide(kDialogTitle), -1, &measured, DT_NOPREFIX | DT_SINGLELINE);
  SelectObject(dc, Get(kSmall));
  RECT version{measured.right, measured.top, client.right, measured.bottom};
  DrawTextW(dc, qp::Wide(kVersionText), -1, &version,
            DT_NOPREFIX | DT_SINGLELINE | DT_BOTTOM);
  if (const PopupBitmap* helpImage = bitmaps_.Find(IDB_DIALOG_HELP)) {
    BitBlt(dc, helpRect_.left, helpRect_.top, helpImage->width, helpImage->height,
           helpImage->dc.Get(), 0, 0, SRCCOPY);
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

void QptnDlg::PaintHeading(HDC dc, const RECT& client, const char16_t* heading) {
  const HGDIOBJ oldFont = SelectObject(dc, Get(kLarge));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorref(Colours().heading));
  RECT r{12, HeaderHeight() + 12, client.right, client.bottom};
  DrawTextW(dc, qp::Wide(heading), -1, &r, DT_NOPREFIX);
  SelectObject(dc, oldFont);
}

void QptnDlg::PlaceHeaderImages(const RECT& client) {
  const int h = HeaderHeight();
  logoRect_ = {};
  if (const PopupBitmap* logo = bitmaps_.Find(IDB_POPUP_LOGO); logo && !hideLogo_) {
    logoRect_ = {client.right - logo->width - 1, client.top + 1, client.right - 1,
                 client.top + 1 + logo->height};
  }
  helpRect_ = {};
  if (const PopupBitmap* helpImage = bitmaps_.Find(IDB_DIALOG_HELP)) {
    helpRect_ = {client.right - helpImage->width - 12, client.top + h + 8, client.right - 12,
                 client.top + h + 8 + helpImage->height};
  }
}

void QptnDlg::AddHeaderButtons(const char16_t* heading) {
  qp::Annotate(Handle(), {heading, HeaderDescription(kVersionText, heading), ROLE_SYSTEM_DIALOG,
                          {}});
  RECT client{};
  GetClientRect(Handle(), &client);
  PlaceHeaderImages(client);
  // First in the tab order, as first on the screen: the logo at the top,
  // then the help image.
  HWND logo = qp::AddDrawnButton(Handle(), IDC_LOGO_LINK, kVendorPageName, logoRect_, HWND_TOP,
                                 {kVendorPageName, {}, ROLE_SYSTEM_LINK, kJumpAction});
  HWND helpButton =
      qp::AddDrawnButton(Handle(), IDC_HELP_LINK, kHelpName, helpRect_, logo ? logo : HWND_TOP,
                         {kHelpName, {}, ROLE_SYSTEM_LINK, kJumpAction});
  // The dialog starts, as before, in its first own control (the address
  // field, the first check box), not on the header's pictures.
  HWND first = GetNextDlgTabItem(Handle(), helpButton, FALSE);
  if (!first || first == logo || first == helpButton) return;
  if (SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(first, EM_SETSEL, 0, -1);
  }
  SetFocus(first);
}

void QptnDlg::OpenVendorPage() { qp::ShellOpenWebAddress(nullptr, kVendorHomePage); }

void QptnDlg::leftButtonDown(int x, int y) {
  if (Inside(helpRect_, x, y)) {
    help(kHelpTopic);
  } else if (!hideLogo_ && Inside(logoRect_, x, y)) {
    OpenVendorPage();
  }
}

void QptnDlg::command(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == IDC_HELP_LINK) {
    help(kHelpTopic);
  } else if (id == IDC_LOGO_LINK && !hideLogo_) {
    OpenVendorPage();
  }
}

bool QptnDlg::drawItem(const DRAWITEMSTRUCT& item) {
  const int id = static_cast<int>(item.CtlID);
  if (id != IDC_LOGO_LINK && id != IDC_HELP_LINK) return false;
  const PopupBitmap* image = bitmaps_.Find(id == IDC_LOGO_LINK ? IDB_POPUP_LOGO : IDB_DIALOG_HELP);
  if (image) {
    BitBlt(item.hDC, 0, 0, image->width, image->height, image->dc.Get(), 0, 0, SRCCOPY);
  }
  DrawFocus(item);
  return true;
}

HBRUSH QptnDlg::controlColor(HDC dc, HWND) { return ControlOnBackground(dc); }

bool QptnDlg::setCursor() {
  const POINT p = CursorInClient(Handle());
  if (!Inside(helpRect_, p.x, p.y) && (hideLogo_ || !Inside(logoRect_, p.x, p.y))) return false;
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
  return true;
}

// --- the confirmation -----------------------------------------------------------------

ConfirmDlg::ConfirmDlg(HINSTANCE module) : NotifierDialog(module, IDD_CONFIRM) {}

// Without a caption: the question is what a screen reader reads.
void ConfirmDlg::initDialog() {
  NotifierDialog::initDialog();
  qp::Annotate(Handle(), {kDialogTitle, ControlText(Handle(), -1), ROLE_SYSTEM_DIALOG, {}});
}

void ConfirmDlg::paint(HDC dc, const RECT& client) {
  qp::UniquePen pen(CreatePen(PS_SOLID, 1, ToColorref(Colours().frame)));
  const HGDIOBJ oldPen = SelectObject(dc, pen.Get());
  const HGDIOBJ oldBrush = SelectObject(dc, BackgroundBrush());
  Rectangle(dc, client.left + 3, client.top + 3, client.right - 3, client.bottom - 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

HBRUSH ConfirmDlg::controlColor(HDC dc, HWND) { return ControlOnBackground(dc); }

// --- the account dialog -------------------------------------------------------------------

EmailDlg::EmailDlg(HINSTANCE module, bool hideLogo, AccountService& service,
                   std::u16string& address, std::u16string& password)
    : QptnDlg(module, IDD_ACCOUNT, hideLogo),
      service_(service),
      address_(address),
      password_(password) {}

void EmailDlg::initDialog() {
  NotifierDialog::initDialog();
  SetDlgItemTextW(Handle(), IDC_ADDRESS, qp::Wide(address_));
  SetDlgItemTextW(Handle(), IDC_PASSWORD, qp::Wide(password_));
  ShowWindow(GetDlgItem(Handle(), IDC_AUTHENTICATING), SW_HIDE);
  ShowWindow(GetDlgItem(Handle(), IDC_AUTH_ERROR), SW_HIDE);
  // Over the settings dialog exactly, whatever height that has, with the
  // buttons and texts at the template's distance from the bottom.
  HWND parent = GetParent(Handle());
  RECT own{};
  RECT outer{};
  if (!parent || !GetWindowRect(parent, &outer) || !GetWindowRect(Handle(), &own)) {
    AddHeaderButtons(kAccountHeading);
    return;
  }
  const int dy = (own.bottom - own.top) - (outer.bottom - outer.top);
  for (int id : {IDOK, IDCANCEL, IDC_AUTHENTICATING, IDC_AUTH_ERROR}) {
    MoveControlUp(Handle(), id, dy);
  }
  SetWindowPos(Handle(), nullptr, outer.left, outer.top, outer.right - outer.left,
               outer.bottom - outer.top, SWP_NOZORDER);
  AddHeaderButtons(kAccountHeading);
}

void EmailDlg::paint(HDC dc, const RECT& client) {
  PaintHeader(dc, client);
  PaintHeading(dc, client, kAccountHeading);
}

void EmailDlg::ok() {
  ShowWindow(GetDlgItem(Handle(), IDC_AUTH_ERROR), SW_HIDE);
  HWND busy = GetDlgItem(Handle(), IDC_AUTHENTICATING);
  ShowWindow(busy, SW_SHOW);
  UpdateWindow(busy);
  qp::AnnounceShown(busy);
  const Credentials typed{ControlText(Handle(), IDC_ADDRESS), ControlText(Handle(), IDC_PASSWORD)};
  QPTSoapNS::OptString status;
  const CallOutcome outcome = service_.CheckAuth(typed, status);
  ShowWindow(busy, SW_HIDE);
  if (SignInAccepted(outcome, status)) {
    address_ = typed.address;
    password_ = typed.password;
    End(1);
    return;
  }
  HWND error = GetDlgItem(Handle(), IDC_AUTH_ERROR);
  ShowWindow(error, SW_SHOW);
  qp::AnnounceShown(error);
}

HBRUSH EmailDlg::controlColor(HDC dc, HWND control) {
  const HBRUSH brush = QptnDlg::controlColor(dc, control);
  if (GetDlgCtrlID(control) == IDC_AUTH_ERROR) SetTextColor(dc, ToColorref(Colours().errorText));
  return brush;
}

}  // namespace qptn
