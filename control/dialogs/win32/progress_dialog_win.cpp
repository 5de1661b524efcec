#include "control/dialogs/win32/progress_dialog_win.h"

#include <oleacc.h>

#include "common/win32/accessible_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/dialogs/dialog_layout.h"
#include "control/dialogs/win32/theme_win.h"

namespace gwax {

QPTProgress::QPTProgress(HINSTANCE module, std::u16string text, std::u16string_view theme,
                         int templateId)
    : QPTDlg(module, templateId), text_(std::move(text)), barColour_(ThemeColour(module, theme)) {}

void QPTProgress::Initialise() {
  QPTDlg::Initialise();
  font_ = ArialFont(15, FW_BOLD);
  std::u16string text;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    text = text_;
  }
  Describe(text);
  // An end asked for before the window existed.
  if (endRequested_) PostMessageW(Handle(), WM_COMMAND, 0, 0);
}

void QPTProgress::Paint(HDC dc, const RECT&) {
  RECT client;
  GetClientRect(Handle(), &client);
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
  Describe(text);
  Frame(dc, client);
  const int fillRight = ProgressFillRight(width, position, range);
  FillWith(dc, RECT{6, 6, fillRight, 30}, barColour_);
  // A bar that went back (the next file) must not keep its old fill.
  FillWith(dc, RECT{fillRight, 7, width - 7, 29}, RGB(255, 255, 255));
  Frame(dc, RECT{6, 6, width - 6, 30});
}

void QPTProgress::Describe(const std::u16string& text) {
  if (described_ && *described_ == text) return;
  try {
    described_ = text;
    // The window's title names it; the text says what is going on.
    qp::Annotate(Handle(), qp::AccessibleFacts{kDialogTitle, text, ROLE_SYSTEM_DIALOG, {}});
  } catch (...) {  // out of memory: screen readers keep the earlier text
    return;
  }
  NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, Handle(), OBJID_CLIENT, CHILDID_SELF);
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
  HWND window = Handle();
  if (!window) return;
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

void QPTProgress::RequestEnd() {
  endRequested_ = true;
  if (HWND window = Handle()) PostMessageW(window, WM_COMMAND, 0, 0);
}

}  // namespace gwax
