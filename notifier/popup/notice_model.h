// The notification popup without its window: what it shows (one message, a
// summary, or a delete result), where it stands, what the last paint made
// clickable, and what clicks, the mouse and the timers do. Message actions
// go to the application through EmailCommand; everything on the screen goes
// through PopupWindowPort and, while painting, PopupCanvas.
//
// Every member runs on the window's thread. The mail check's PopupPort calls
// come from its worker thread; the Windows popup hands them to the window
// thread before they reach this model.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "notifier/app/email_command.h"
#include "notifier/check/message_queue.h"
#include "notifier/popup/body_layout.h"
#include "notifier/popup/popup_fade.h"
#include "notifier/popup/popup_paint.h"
#include "notifier/popup/popup_placement.h"
#include "notifier/popup/text_runs.h"

namespace qptn {

inline constexpr char16_t kDeletedText[] = u"Message deleted.";
inline constexpr char16_t kDeleteFailedText[] = u"Unable to delete the message.";
inline constexpr unsigned kDeleteResultMs = 1500;

enum class PopupMode { kEmpty, kMessage, kSummary };

// The keys the popup answers while it has the focus.
enum class PopupKey { kEnter, kDelete, kEscape, kPrevious, kNext };

class NoticeModel {
 public:
  // `homePage` is what the logo opens; with `hideLogo` there is no logo.
  NoticeModel(EmailCommand& listener, PopupWindowPort& window, bool hideLogo,
              std::u16string homePage);
  NoticeModel(const NoticeModel&) = delete;
  NoticeModel& operator=(const NoticeModel&) = delete;

  // The work area (screen coordinates) and the screen's DPI that the next
  // move of the window uses.
  void SetWorkArea(const Rect& workArea) { workArea_ = workArea; }
  void SetDpi(int dpi) { dpi_ = dpi; }
  void SetDisplayTime(unsigned milliseconds) { fader_.SetDisplayTime(milliseconds); }
  // Where the window stands for the current mode (screen coordinates).
  Rect WindowRect() const;

  // Loads one message and shows the popup. `to` is the account's address
  // when several accounts are configured. `message` must live until the
  // owner has been told that the showing ended; `*deleted` and `*previous`
  // (either may be null) are set before that when the user deletes the
  // message or asks for the previous one.
  void ShowMessage(unsigned account, const std::optional<std::u16string>& to,
                   QueuedMessage& message, bool isFirst, bool isLast, bool* deleted,
                   bool* previous);
  // "You have N new messages." with the "Launch Quillpost" link.
  void ShowSummary(unsigned count);
  // The caller no longer waits for this showing (the check is stopping):
  // nothing it handed over is touched any more.
  void ForgetCaller();

  // Window notices, positions in client coordinates.
  void Paint(PopupCanvas& canvas, PixelSize client);
  void OnTimer(unsigned id);
  void OnMouseMove(Point p);
  void OnMouseLeave();
  // True when the press landed on a link or a clickable area.
  bool OnLeftButtonDown(Point p);
  void OnLeftButtonDoubleClick(Point p);
  // The hand cursor over a link or a clickable area, else the arrow.
  bool WantsHandCursor(Point p) const;
  // Enter opens the message (or launches the web mail from a summary),
  // Delete deletes it, Escape closes as the close button does, the arrows
  // go to the previous or next message where there is one. True when the
  // key did something.
  bool OnKey(PopupKey key);

  // What a screen reader reads: a one-line name ("New Message from Ann:
  // Lunch", "New Messages: You have 7 new messages.") and the shown text,
  // its lines separated by line feeds.
  std::u16string AccessibleName() const;
  std::u16string AccessibleDescription() const;

  PopupMode Mode() const;
  std::u16string Title() const { return PopupTitle(messageMode_); }
  bool Expanded() const { return expanded_; }
  // The result of a delete is on screen and the popup closes after
  // kDeleteResultMs (timer kTimerDeleteResult).
  bool ShowingDeleteResult() const { return deleteResultShown_; }
  bool HasPrevious() const { return hasPrevious_; }
  bool HasNext() const { return hasNext_; }
  const RunList& Body() const { return body_; }
  const std::vector<HotArea>& HotAreas() const { return hotAreas_; }
  const std::vector<BodyLink>& Links() const { return links_; }
  const PopupButtons& Buttons() const { return buttons_; }
  const PopupFader& Fader() const { return fader_; }

 private:
  void Resize();
  void ShowWindow();
  void Act(int command);
  // Calls `action` with the shown message, if there is one, then closes.
  template <typename Action>
  void OnMessage(Action action);
  void DeleteMessage();
  void Expand();
  void HoverTest(Point p);
  void Collapse();

  EmailCommand& listener_;
  PopupWindowPort& window_;
  PopupFader fader_;
  const bool hideLogo_;
  const std::u16string homePage_;
  Rect workArea_;
  int dpi_ = kBaseDpi;
  RunList body_;
  unsigned account_ = 0;
  QueuedMessage* message_ = nullptr;
  std::u16string sender_, subject_;  // copies: the caller may be forgotten
  unsigned count_ = 0;
  bool messageMode_ = false;
  bool summaryMode_ = false;
  bool expanded_ = false;
  bool hasPrevious_ = true;
  bool hasNext_ = true;
  bool* deletedOut_ = nullptr;
  bool* previousOut_ = nullptr;
  bool deleteResultShown_ = false;
  bool lastClickHit_ = false;
  PopupButtons buttons_{};
  std::vector<HotArea> hotAreas_;
  std::vector<BodyLink> links_;
};

}  // namespace qptn
