#include "control/dialogs/win32/message_box_win.h"

#include <oleacc.h>

#include "common/win32/accessible_win.h"
#include "common/win32/wide_win.h"
#include "control/dialogs/win32/theme_win.h"
#include "control/object/win32/module_win.h"
#include "resource_ids.h"

namespace gwax {
namespace {

constexpr int kCaptionBand = 30;
// The focus rectangle stands this far inside a button, on its face between
// the outline and the lettering; it inverts what it crosses, so it shows on
// every theme's face.
constexpr int kFocusInset = 3;

}  // namespace

MsgBox::MsgBox(HINSTANCE module, std::u16string caption, std::u16string text,
               std::u16string theme, int buttons)
    : QPTDlg(module, IDD_MESSAGE_BOX),
      caption_(std::move(caption)),
      text_(std::move(text)),
      theme_(std::move(theme)),
      buttons_(buttons) {}

void MsgBox::Initialise() {
  QPTDlg::Initialise();

  std::u16string_view theme = ThemeWord(theme_);
  if (!LoadThemeBitmap(module(), u"OK_", theme)) theme = u"green";
  colour_ = ThemeColour(module(), theme);
  enter_ = AddButton(u"OK_", theme, IDOK, u"OK");
  if (buttons_ == 1) escape_ = AddButton(u"CANCEL_", theme, IDCANCEL, u"Cancel");

  RECT bounds;
  GetWindowRect(Handle(), &bounds);
  std::vector<ButtonBox> boxes = Boxes();
  LayoutButtons(bounds.right - bounds.left, bounds.bottom - bounds.top, boxes);
  for (size_t i = 0; i < boxes.size(); ++i) themedButtons_[i].box = boxes[i];
  CreateButtonWindows();

  captionFont_ = ArialFont(16, FW_BOLD);
  textFont_ = ArialFont(16, FW_NORMAL);

  // What a screen reader says of the box: its caption and message, which
  // are drawn rather than held by controls.
  qp::Annotate(Handle(), qp::AccessibleFacts{caption_, text_, ROLE_SYSTEM_DIALOG, {}});
  AnnounceWhenShown();
}

void MsgBox::CreateButtonWindows() {
  for (auto& button : themedButtons_) {
    const ButtonBox& b = button.box;
    button.window = qp::AddDrawnButton(Handle(), b.result, button.label,
                                       RECT{b.left, b.top, b.left + b.width, b.top + b.height},
                                       HWND_BOTTOM,
                                       {button.label, {}, ROLE_SYSTEM_PUSHBUTTON, u"Press"});
  }
}

HWND MsgBox::FirstFocus() const {
  if (enter_ < 0 || static_cast<size_t>(enter_) >= themedButtons_.size()) return nullptr;
  return themedButtons_[static_cast<size_t>(enter_)].window;
}

int MsgBox::AddButton(std::u16string_view prefix, std::u16string_view theme, int result,
                      std::u16string label) {
  ThemedButton button;
  button.label = std::move(label);
  button.bitmap = LoadThemeBitmap(module(), prefix, theme);
  BITMAP info{};
  if (button.bitmap && GetObjectW(button.bitmap.Get(), sizeof(info), &info)) {
    button.box.width = info.bmWidth;
    button.box.height = info.bmHeight;
  }
  button.box.result = result;
  themedButtons_.push_back(std::move(button));
  return static_cast<int>(themedButtons_.size() - 1);
}

std::vector<ButtonBox> MsgBox::Boxes() const {
  std::vector<ButtonBox> boxes;
  for (const auto& b : themedButtons_) boxes.push_back(b.box);
  return boxes;
}

void MsgBox::Paint(HDC dc, const RECT&) {
  RECT client;
  GetClientRect(Handle(), &client);
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
  // The buttons draw themselves (DrawItem).
}

void MsgBox::KeyReleased(unsigned key) {
  if (auto result = KeyResult(Boxes(), enter_, escape_, key)) End(*result);
}

void MsgBox::Command(int code, int id) {
  if (code != BN_CLICKED) return;
  if (auto result = CommandResult(Boxes(), id)) End(*result);
}

bool MsgBox::DrawItem(const DRAWITEMSTRUCT& item) {
  const ThemedButton* button = nullptr;
  for (const auto& b : themedButtons_) {
    if (b.window && b.window == item.hwndItem) button = &b;
  }
  if (!button) return false;
  if (button->bitmap) {
    qp::UniqueMemoryDc source(CreateCompatibleDC(item.hDC));
    if (source) {
      qp::ScopedSelection selected(source.Get(), button->bitmap.Get());
      BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, button->box.width, button->box.height,
             source.Get(), 0, 0, SRCCOPY);
    }
  }
  // Shown whenever the button has the focus, also before the keyboard was
  // used: the box opens with the focus on OK, where Enter acts.
  if (item.itemState & ODS_FOCUS) {
    RECT inside = item.rcItem;
    InflateRect(&inside, -kFocusInset, -kFocusInset);
    DrawFocusRect(item.hDC, &inside);
  }
  return true;
}

int ShowThemedMessage(HWND parent, const std::u16string& text, const std::u16string& caption,
                      int buttons, const std::u16string& theme) {
  // What the box says, for a debugger: its words are drawn, not read back.
  const std::u16string trace = u"gatherwick message: " + caption + u": " + text + u"\n";
  OutputDebugStringW(qp::Wide(trace));
  MsgBox box(ModuleInstance(), caption, text, theme, buttons);
  return static_cast<int>(box.ShowModal(parent));
}

}  // namespace gwax
