#include "notifier/popup/win32/notice_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>
#include <cwchar>

#include "common/win32/gdi_win.h"
#include "common/win32/shell_open_win.h"
#include "common/win32/wide_win.h"
#include "notifier/app/app_platform.h"
#include "notifier/app/constants.h"

namespace qptn {

namespace {

// The check thread's request waits in the window for this message.
constexpr UINT kMsgTakeRequest = WM_APP + 13;
// The tool description up to lParam (the headers' TTTOOLINFOW_V2_SIZE), as
// the popup registers its tools: 44 bytes on 32-bit Windows, 64 on 64-bit.
constexpr UINT kToolInfoSize = offsetof(TTTOOLINFOW, lParam) + sizeof(LPARAM);
static_assert(sizeof(void*) != 4 || kToolInfoSize == 44, "44 bytes on 32-bit Windows");

// The system's work area, less a taskbar along the top or bottom edge that
// it still covers. Wine gives a program the work area of its start for good,
// and its desktop shows the taskbar only once an icon is in it, which the
// notifier's own icon causes; where the system keeps the area up to date
// the correction changes nothing.
Rect WorkArea() {
  RECT r{0, 0, 0, 0};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  RECT bar{};
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (taskbar && IsWindowVisible(taskbar) && GetWindowRect(taskbar, &bar) &&
      bar.left <= r.left && bar.right >= r.right) {
    if (bar.top > r.top && bar.top < r.bottom && bar.bottom >= r.bottom) {
      r.bottom = bar.top;
    } else if (bar.bottom < r.bottom && bar.bottom > r.top && bar.top <= r.top) {
      r.top = bar.bottom;
    }
  }
  return {r.left, r.top, r.right, r.bottom};
}

Point ClientPoint(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// The screen's DPI; the program declares itself DPI-aware, so this is the
// real one and not a 96 that the system would then stretch.
int ScreenDpi() {
  qp::WindowDc screen(nullptr);
  const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : kBaseDpi;
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

NoticeWindow::~NoticeWindow() {
  if (accessible_) accessible_->Disconnect();
}

bool NoticeWindow::Create(HINSTANCE module, HWND owner, EmailCommand& listener, bool hideLogo) {
  owner_ = owner;
  model_ = std::make_unique<NoticeModel>(listener, *this, hideLogo, kVendorHomePage);
  dpi_ = ScreenDpi();
  model_->SetDpi(dpi_);
  model_->SetWorkArea(WorkArea());
  model_->SetDisplayTime(displayMs_);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = qp::Wide(kPopupClassName);
  qp::Window::RegisterClass(wc);
  const Rect at = model_->WindowRect();  // already in the screen's pixels
  if (!qp::Window::Create(WS_EX_LAYERED | WS_EX_TOPMOST, qp::Wide(kPopupClassName),
                          qp::Wide(kPopupWindowTitle), WS_POPUP, at.left, at.top, at.Width(),
                          at.Height(), owner, module)) {
    model_.reset();
    return false;
  }
  // The fonts keep their 96-DPI cell heights: each paint maps the model's
  // pixels onto the screen's, text and bitmaps included (Paint).
  fonts_.Create(kBaseDpi);
  bitmaps_.Load(module);
  RefreshColours(false);
  fontLink_ = std::make_unique<FontLink>();
  CreateTooltip(module);
  return true;
}

void NoticeWindow::CreateTooltip(HINSTANCE module) {
  tooltip_.Reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                 module, nullptr));
  if (!tooltip_) return;
  SetWindowPos(tooltip_.Get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageW(tooltip_.Get(), TTM_ACTIVATE, TRUE, 0);
}

void NoticeWindow::RefreshWorkArea() {
  if (model_) model_->SetWorkArea(WorkArea());
}

// --- the check thread's side ---------------------------------------------------

void NoticeWindow::ShowMessage(unsigned account, const std::optional<std::u16string>& to,
                               QueuedMessage& message, bool isFirst, bool isLast, bool* deleted,
                               bool* previous) {
  Request r;
  r.account = account;
  r.to = to;
  r.message = &message;
  r.isFirst = isFirst;
  r.isLast = isLast;
  r.deleted = deleted;
  r.previous = previous;
  Post(std::move(r));
}

void NoticeWindow::ShowSummary(unsigned count) {
  Request r;
  r.summary = true;
  r.count = count;
  Post(std::move(r));
}

void NoticeWindow::SetDisplayTime(unsigned milliseconds) { displayMs_ = milliseconds; }

void NoticeWindow::Post(Request request) {
  {
    std::lock_guard<std::mutex> lock(requestLock_);
    request_ = std::move(request);
  }
  // Without a window nothing will be shown: the showing ends at once, so
  // that the check goes on.
  if (!Handle() || !PostMessageW(Handle(), kMsgTakeRequest, 0, 0)) {
    PostMessageW(owner_, kMsgPopupFinished, 0, 0);
  }
}

void NoticeWindow::TakeRequest() {
  std::optional<Request> r;
  {
    std::lock_guard<std::mutex> lock(requestLock_);
    r.swap(request_);
  }
  if (!r || !model_) return;
  model_->SetDisplayTime(displayMs_);
  // The taskbar may have appeared or moved since the last showing, and
  // high contrast may have been switched.
  RefreshWorkArea();
  RefreshColours(false);
  // Each showing is traced for a debugger: the account, the date and the
  // place in the sequence, never the text.
  wchar_t line[96];
  if (r->summary) {
    swprintf(line, 96, L"qptn popup: summary count=%u\n", r->count);
    OutputDebugStringW(line);
    model_->ShowSummary(r->count);
  } else {
    swprintf(line, 96, L"qptn popup: message account=%u date=%ld first=%d last=%d\n", r->account,
             static_cast<long>(r->message->message.date), r->isFirst ? 1 : 0, r->isLast ? 1 : 0);
    OutputDebugStringW(line);
    model_->ShowMessage(r->account, r->to, *r->message, r->isFirst, r->isLast, r->deleted,
                        r->previous);
  }
}

// --- the window ------------------------------------------------------------------

LRESULT NoticeWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!model_) return Window::OnMessage(message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETCURSOR: {
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(Handle(), &p);
      const bool hand = model_->WantsHandCursor(ToBasePixels({p.x, p.y}, dpi_));
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(hand ? IDC_HAND : IDC_ARROW)));
      return TRUE;
    }
    case WM_TIMER:
      model_->OnTimer(static_cast<unsigned>(wParam));
      return 0;
    case WM_MOUSEMOVE:
      model_->OnMouseMove(BasePoint(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      model_->OnLeftButtonDown(BasePoint(lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      model_->OnLeftButtonDoubleClick(BasePoint(lParam));
      return 0;
    case WM_MOUSELEAVE:
      model_->OnMouseLeave();
      return 0;
    case WM_KEYDOWN:
      return OnKey(wParam) ? 0 : Window::OnMessage(message, wParam, lParam);
    case WM_GETOBJECT:
      return AccessibleObject(wParam, lParam);
    case kMsgTakeRequest:
      TakeRequest();
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      RefreshColours(true);
      return Window::OnMessage(message, wParam, lParam);
    case WM_DESTROY:
      if (accessible_) accessible_->Disconnect();
      return 0;
    default:
      return Window::OnMessage(message, wParam, lParam);
  }
}

bool NoticeWindow::OnKey(WPARAM key) {
  switch (key) {
    case VK_RETURN:
      return model_->OnKey(PopupKey::kEnter);
    case VK_DELETE:
      return model_->OnKey(PopupKey::kDelete);
    case VK_ESCAPE:
      return model_->OnKey(PopupKey::kEscape);
    case VK_LEFT:
    case VK_UP:
      return model_->OnKey(PopupKey::kPrevious);
    case VK_RIGHT:
    case VK_DOWN:
      return model_->OnKey(PopupKey::kNext);
    default:
      return false;
  }
}

LRESULT NoticeWindow::AccessibleObject(WPARAM wParam, LPARAM lParam) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT) {
    return Window::OnMessage(WM_GETOBJECT, wParam, lParam);
  }
  if (!accessible_) {
    accessible_ = qp::ComPtr<PopupAccessible>::Adopt(PopupAccessible::Create(Handle(), *model_));
    if (!accessible_) return Window::OnMessage(WM_GETOBJECT, wParam, lParam);
  }
  return LresultFromObject(qp::kIidAccessible, wParam, static_cast<IAccessible*>(accessible_.Get()));
}

Point NoticeWindow::BasePoint(LPARAM lParam) const {
  return ToBasePixels(ClientPoint(lParam), dpi_);
}

// The model paints in 96-DPI pixels. On another screen the device context
// maps them onto the screen's: fonts are made at the mapped size, so text
// stays sharp, and bitmaps are stretched with smoothing.
void NoticeWindow::Paint() {
  const qp::Painting painting(Handle());
  const HDC dc = painting.Dc();
  RECT client{};
  GetClientRect(Handle(), &client);
  if (dpi_ != kBaseDpi) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, kBaseDpi, kBaseDpi, nullptr);
    SetViewportExtEx(dc, dpi_, dpi_, nullptr);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    DPtoLP(dc, reinterpret_cast<POINT*>(&client), 2);
  }
  const HFONT normal = fonts_.Get(FontRole::kNormal);
  const HFONT body = fontLink_ ? fontLink_->Choose(dc, normal) : normal;
  {
    GdiCanvas canvas(dc, colours_, fonts_, body, bitmaps_, fontLink_.get());
    model_->Paint(canvas, {client.right - client.left, client.bottom - client.top});
  }
  if (fontLink_) {
    fontLink_->ReleaseWordFonts();
    fontLink_->Release(body, normal);
  }
}

void NoticeWindow::RefreshColours(bool repaint) {
  colours_ = SystemPalette();
  if (repaint) InvalidateRect(Handle(), nullptr, FALSE);
}

// --- what the model asks of the window -----------------------------------------

void NoticeWindow::SetTimer(unsigned id, unsigned milliseconds) {
  ::SetTimer(Handle(), id, milliseconds, nullptr);
}

void NoticeWindow::KillTimer(unsigned id) { ::KillTimer(Handle(), id); }

void NoticeWindow::Show() {
  ShowWindow(Handle(), SW_SHOW);
  // Screen readers announce the popup as it appears.
  NotifyWinEvent(EVENT_SYSTEM_ALERT, Handle(), OBJID_CLIENT, CHILDID_SELF);
}

void NoticeWindow::Hide() { ShowWindow(Handle(), SW_HIDE); }

void NoticeWindow::SetAlpha(uint8_t alpha) {
  SetLayeredWindowAttributes(Handle(), 0, alpha, LWA_ALPHA);
}

void NoticeWindow::Move(const Rect& window) {
  SetWindowPos(Handle(), nullptr, window.left, window.top, window.Width(), window.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

Point NoticeWindow::CursorPosition() {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

void NoticeWindow::TrackMouseLeave() {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = Handle();
  TrackMouseEvent(&track);
}

void NoticeWindow::Invalidate(const Rect& client) {
  const Rect device = ToDevicePixels(client, dpi_);
  const RECT r{device.left, device.top, device.right, device.bottom};
  InvalidateRect(Handle(), &r, FALSE);
}

void NoticeWindow::RepaintNow() {
  InvalidateRect(Handle(), nullptr, FALSE);
  UpdateWindow(Handle());
}

void NoticeWindow::NotifyOwnerClosed() { SendMessageW(owner_, kMsgPopupFinished, 0, 0); }

void NoticeWindow::OpenLink(std::u16string_view target) {
  qp::ShellOpenWebAddress(nullptr, target);
}

void NoticeWindow::PrepareFontLinking(std::u16string_view bodyText) {
  if (fontLink_) fontLink_->Prepare(bodyText);
}

void NoticeWindow::RemoveAllTooltips() {
  if (!tooltip_) return;
  const LRESULT count = SendMessageW(tooltip_.Get(), TTM_GETTOOLCOUNT, 0, 0);
  for (LRESULT i = count - 1; i >= 0; --i) {
    TOOLINFOW tool{};
    tool.cbSize = kToolInfoSize;
    if (SendMessageW(tooltip_.Get(), TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&tool))) {
      SendMessageW(tooltip_.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
}

void NoticeWindow::AddTooltip(int id, const Rect& rect, std::u16string_view text) {
  if (!tooltip_) return;
  std::u16string copy(text);
  TOOLINFOW tool{};
  tool.cbSize = kToolInfoSize;
  tool.uFlags = TTF_SUBCLASS | TTF_TRANSPARENT;
  tool.hwnd = Handle();
  tool.uId = static_cast<UINT_PTR>(id);
  const Rect device = ToDevicePixels(rect, dpi_);
  tool.rect = {device.left, device.top, device.right, device.bottom};
  tool.lpszText = const_cast<wchar_t*>(qp::Wide(copy));
  SendMessageW(tooltip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace qptn
