// The popup window: class "QPTNOTIFY", layered and topmost, its fonts,
// bitmaps and tooltips; every decision is the model's.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/win32/com_ptr_win.h"
#include "common/win32/window_win.h"
#include "notifier/check/check_ports.h"
#include "notifier/popup/notice_model.h"
#include "notifier/popup/win32/contrast_win.h"
#include "notifier/popup/win32/font_link_win.h"
#include "notifier/popup/win32/popup_accessible_win.h"
#include "notifier/popup/win32/popup_gdi_win.h"

namespace qptn {

class NoticeWindow final : public qp::Window, public PopupWindowPort, public PopupPort {
 public:
  NoticeWindow() = default;
  ~NoticeWindow() override;

  // On the main thread, with COM initialised, after the owner window
  // exists. False when no window could be made; the mail check's showings
  // then end at once.
  bool Create(HINSTANCE module, HWND owner, EmailCommand& listener, bool hideLogo);
  // The taskbar moved or changed size: the next placement uses the new area.
  void RefreshWorkArea();
  // The mail check has stopped: the popup no longer reports to its caller.
  void ForgetCaller() {
    if (model_) model_->ForgetCaller();
  }

  // --- PopupPort: called by the mail check on its thread --------------------
  void ShowMessage(unsigned account, const std::optional<std::u16string>& to,
                   QueuedMessage& message, bool isFirst, bool isLast, bool* deleted,
                   bool* previous) override;
  void ShowSummary(unsigned count) override;
  void SetDisplayTime(unsigned milliseconds) override;

  // --- PopupWindowPort: the model, on the window's thread -------------------
  void SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void Show() override;
  void Hide() override;
  void SetAlpha(uint8_t alpha) override;
  void Move(const Rect& window) override;
  Point CursorPosition() override;
  void TrackMouseLeave() override;
  void Invalidate(const Rect& client) override;
  void RepaintNow() override;
  void NotifyOwnerClosed() override;
  void OpenLink(std::u16string_view target) override;
  void PrepareFontLinking(std::u16string_view bodyText) override;
  void RemoveAllTooltips() override;
  void AddTooltip(int id, const Rect& rect, std::u16string_view text) override;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // A showing asked for by the check thread, carried out on the window's.
  struct Request {
    bool summary = false;
    unsigned account = 0;
    std::optional<std::u16string> to;
    QueuedMessage* message = nullptr;
    bool isFirst = false;
    bool isLast = false;
    bool* deleted = nullptr;
    bool* previous = nullptr;
    unsigned count = 0;
  };
  void Post(Request request);
  void TakeRequest();
  void Paint();
  // Reads the system's contrast again; with `repaint`, redraws in it.
  void RefreshColours(bool repaint);
  void CreateTooltip(HINSTANCE module);
  LRESULT AccessibleObject(WPARAM wParam, LPARAM lParam);
  // A client point of a mouse message in the model's 96-DPI pixels.
  Point BasePoint(LPARAM lParam) const;
  bool OnKey(WPARAM key);

  HWND owner_ = nullptr;
  int dpi_ = kBaseDpi;  // the screen's, read once the window is made
  std::unique_ptr<NoticeModel> model_;
  std::unique_ptr<FontLink> fontLink_;
  PopupFonts fonts_;
  PopupBitmaps bitmaps_;
  // Read and used on the window's thread only.
  Palette colours_;
  qp::UniqueWindow tooltip_;  // destroyed before the popup
  qp::ComPtr<PopupAccessible> accessible_;  // made when first asked for
  std::atomic<unsigned> displayMs_{kDefaultDisplayMs};
  std::mutex requestLock_;
  std::optional<Request> request_;
};

}  // namespace qptn
