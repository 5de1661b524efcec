#include "control/shell/win32/dialogs_win.h"

#include <windowsx.h>

#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/shell/win32/module_win.h"
#include "resource_ids.h"

namespace gwax {
namespace {

constexpr int kCaptionBand = 30;

std::u16string ResourceName(std::u16string_view prefix, std::u16string_view theme) {
  std::u16string name(prefix);
  name += theme;
  return name;
}

qp::UniqueBitmap LoadThemeBitmap(HINSTANCE module, const std::u16string& name) {
  return qp::UniqueBitmap(LoadBitmapW(module, qp::Wide(name)));
}

qp::UniqueFont ArialFont(int height, int weight) {
  return qp::UniqueFont(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
}

void FillWith(HDC dc, const RECT& rect, COLORREF colour) {
  qp::UniqueBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &rect, brush.Get());
}

void Frame(HDC dc, const RECT& rect) {
  FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

}  // namespace

COLORREF ThemeColour(HINSTANCE module, std::u16string_view theme) {
  qp::UniqueBitmap palette = LoadThemeBitmap(module, ResourceName(u"PAL_", ThemeWord(theme)));
  if (!palette) palette = LoadThemeBitmap(module, u"PAL_GREEN");
  COLORREF colour = RGB(193, 221, 48);
  if (palette) {
    qp::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (dc) {
      qp::ScopedSelection selected(dc.Get(), palette.Get());
      const COLORREF pixel = GetPixel(dc.Get(), 0, 0);
      if (pixel != CLR_INVALID) colour = pixel;
    }
  }
  return colour;
}

// --- the shared dialog procedure --------------------------------------------

INT_PTR CALLBACK QptDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<QPTDlg*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    dialog->Initialise(window);
    return TRUE;
  }
  auto* dialog = reinterpret_cast<QPTDlg*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!dialog) return FALSE;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      dialog->Paint(dc, ps.rcPaint);
      EndPaint(window, &ps);
      return TRUE;
    }
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
      return TRUE;
    }
    case WM_KEYUP:
      dialog->KeyReleased(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_COMMAND:
      dialog->Command(HIWORD(wParam), LOWORD(wParam));
      return TRUE;
    case WM_LBUTTONDOWN:
      dialog->MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONUP:
      dialog->MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONDBLCLK:
      return TRUE;
    case WM_NCDESTROY:
      // The window is going: the object must not reach it any more.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      dialog->window_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

// --- QPTDlg -------------------------------------------------------------------

QPTDlg::QPTDlg(HINSTANCE module, int templateId) : module_(module), templateId_(templateId) {}

QPTDlg::~QPTDlg() {
  if (HWND window = window_.exchange(nullptr)) {
    if (IsWindow(window)) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      DestroyWindow(window);
    }
  }
}

void QPTDlg::Initialise(HWND window) {
  window_ = window;
  SetWindowTextW(window, qp::Wide(kDialogTitle));
  if (topmost_) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

INT_PTR QPTDlg::ShowModal(HWND parent) {
  topmost_ = true;
  modal_ = true;
  return DialogBoxParamW(module_, MAKEINTRESOURCEW(templateId_), parent, QptDialogProc,
                         reinterpret_cast<LPARAM>(this));
}

HWND QPTDlg::ShowModeless(HWND parent) {
  modal_ = false;
  HWND window = CreateDialogParamW(module_, MAKEINTRESOURCEW(templateId_), parent, QptDialogProc,
                                   reinterpret_cast<LPARAM>(this));
  window_ = window;
  return window;
}

bool QPTDlg::WindowExists() const {
  HWND window = window_;
  return window != nullptr && IsWindow(window);
}

void QPTDlg::End(INT_PTR result) {
  HWND window = window_;
  if (!window) return;
  if (modal_) {
    EndDialog(window, result);
  } else {
    DestroyWindow(window);
  }
}

// --- QPTProgress --------------------------------------------------------------

QPTProgress::QPTProgress(HINSTANCE module, std::u16string text, std::u16string_view theme,
                         int templateId)
    : QPTDlg(module, templateId), text_(std::move(text)), barColour_(ThemeColour(module, theme)) {}

void QPTProgress::Initialise(HWND window) {
  QPTDlg::Initialise(window);
  font_ = ArialFont(15, FW_BOLD);
  // An end asked for before the window existed.
  if (endRequested_) PostMessageW(window, WM_COMMAND, 0, 0);
}

void QPTProgress::Paint(HDC dc, const RECT&) {
  RECT client;
  GetClientRect(Window(), &client);
  const int width = client.right;
  const int height = client.bottom;
  std::u16string text;
  int32_t position, range;
  bool clear;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    try {
      text = text_;
    } catch (...) {  // out of memory: paint the bar without the text
    }
    position = position_;
    range = range_;
    clear = clearBeforePaint_;
    clearBeforePaint_ = false;
  }
  if (clear) FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  {
    qp::ScopedSelection font(dc, font_ ? font_.Get() : GetStockObject(DEFAULT_GUI_FONT));
    RECT textArea{12, 42, width - 12, height - 6};
    DrawTextW(dc, qp::Wide(text), static_cast<int>(text.size()), &textArea,
              DT_CENTER | DT_WORDBREAK | DT_WORD_ELLIPSIS | DT_NOPREFIX);
  }
  Frame(dc, client);
  const int fillRight = ProgressFillRight(width, position, range);
  FillWith(dc, RECT{6, 6, fillRight, 30}, barColour_);
  // A bar that went back (the next file) must not keep its old fill.
  FillWith(dc, RECT{fillRight, 7, width - 7, 29}, RGB(255, 255, 255));
  Frame(dc, RECT{6, 6, width - 6, 30});
}

void QPTProgress::Command(int, int id) { End(id); }

void QPTProgress::SetText(std::u16string text) {
  std::lock_guard<std::mutex> lock(stateLock_);
  text_ = std::move(text);
  clearBeforePaint_ = true;
}

void QPTProgress::SetProgress(int32_t position, int32_t range) {
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    position_ = position;
    range_ = range;
  }
  // Not under the lock: updating sends the paint to the dialog's thread.
  HWND window = Window();
  if (!window) return;
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

void QPTProgress::RequestEnd() {
  endRequested_ = true;
  if (HWND window = Window()) PostMessageW(window, WM_COMMAND, 0, 0);
}

// --- MsgBox -------------------------------------------------------------------

MsgBox::MsgBox(HINSTANCE module, std::u16string caption, std::u16string text,
               std::u16string theme, int buttons)
    : QPTDlg(module, IDD_MESSAGE_BOX),
      caption_(std::move(caption)),
      text_(std::move(text)),
      theme_(std::move(theme)),
      buttons_(buttons) {}

void MsgBox::Initialise(HWND window) {
  QPTDlg::Initialise(window);

  std::u16string_view theme = ThemeWord(theme_);
  if (!LoadThemeBitmap(module(), ResourceName(u"OK_", theme))) theme = u"green";
  colour_ = ThemeColour(module(), theme);
  auto add = [&](std::u16string_view prefix, int result) {
    ThemedButton button;
    button.bitmap = LoadThemeBitmap(module(), ResourceName(prefix, theme));
    BITMAP info{};
    if (button.bitmap && GetObjectW(button.bitmap.Get(), sizeof(info), &info)) {
      button.box.width = info.bmWidth;
      button.box.height = info.bmHeight;
    }
    button.box.result = result;
    themedButtons_.push_back(std::move(button));
    return static_cast<int>(themedButtons_.size() - 1);
  };
  enter_ = add(u"OK_", IDOK);
  if (buttons_ == 1) escape_ = add(u"CANCEL_", IDCANCEL);

  RECT bounds;
  GetWindowRect(window, &bounds);
  std::vector<ButtonBox> boxes = Boxes();
  LayoutButtons(bounds.right - bounds.left, bounds.bottom - bounds.top, boxes);
  for (size_t i = 0; i < boxes.size(); ++i) themedButtons_[i].box = boxes[i];

  captionFont_ = ArialFont(16, FW_BOLD);
  textFont_ = ArialFont(16, FW_NORMAL);
}

std::vector<ButtonBox> MsgBox::Boxes() const {
  std::vector<ButtonBox> boxes;
  for (const auto& b : themedButtons_) boxes.push_back(b.box);
  return boxes;
}

void MsgBox::Paint(HDC dc, const RECT&) {
  RECT client;
  GetClientRect(Window(), &client);
  const int width = client.right;
  const int height = client.bottom;

  FillWith(dc, RECT{0, 0, width, kCaptionBand}, colour_);
  SetBkMode(dc, TRANSPARENT);
  {
    qp::ScopedSelection font(dc, captionFont_.Get());
    SetTextColor(dc, WantsLightCaption(GetRValue(colour_), GetGValue(colour_), GetBValue(colour_))
                         ? RGB(255, 255, 255)
                         : RGB(0, 0, 0));
    RECT area{5, 0, width - 5, 35};
    DrawTextW(dc, qp::Wide(caption_), static_cast<int>(caption_.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  Frame(dc, client);
  FillWith(dc, RECT{0, height - kCaptionBand, width, height - kCaptionBand + 1}, colour_);

  const int buttonTop = themedButtons_.empty() ? height - 5 : themedButtons_.front().box.top;
  {
    qp::ScopedSelection font(dc, textFont_.Get());
    SetTextColor(dc, RGB(0, 0, 0));
    RECT area{5, 35, width - 5, buttonTop - 5};
    DrawTextW(dc, qp::Wide(text_), static_cast<int>(text_.size()), &area,
              DT_WORDBREAK | DT_NOPREFIX);
  }
  qp::UniqueMemoryDc source(CreateCompatibleDC(dc));
  if (!source) return;
  for (const auto& button : themedButtons_) {
    if (!button.bitmap) continue;
    qp::ScopedSelection selected(source.Get(), button.bitmap.Get());
    BitBlt(dc, button.box.left, button.box.top, button.box.width, button.box.height,
           source.Get(), 0, 0, SRCCOPY);
  }
}

void MsgBox::MouseDown(int x, int y) { pressed_ = ButtonAt(Boxes(), x, y); }

void MsgBox::MouseUp(int x, int y) {
  if (auto result = ReleaseResult(Boxes(), pressed_, x, y)) End(*result);
}

void MsgBox::KeyReleased(unsigned key) {
  if (auto result = KeyResult(Boxes(), enter_, escape_, key)) End(*result);
}

int ShowThemedMessage(HWND parent, const std::u16string& text, const std::u16string& caption,
                      int buttons, const std::u16string& theme) {
  MsgBox box(ModuleInstance(), caption, text, theme, buttons);
  return static_cast<int>(box.ShowModal(parent));
}

}  // namespace gwax
