#include "notifier/popup/notice_model.h"

#include <utility>

namespace qptn {

using QPTSoapNS::Message;

NoticeModel::NoticeModel(EmailCommand& listener, PopupWindowPort& window, bool hideLogo,
                         std::u16string homePage)
    : listener_(listener),
      window_(window),
      fader_(window, [this] { Collapse(); }),
      hideLogo_(hideLogo),
      homePage_(std::move(homePage)) {}

Rect NoticeModel::WindowRect() const {
  return PopupPlacement(workArea_, {messageMode_, expanded_}, dpi_);
}

PopupMode NoticeModel::Mode() const {
  if (messageMode_) return PopupMode::kMessage;
  return summaryMode_ ? PopupMode::kSummary : PopupMode::kEmpty;
}

void NoticeModel::ShowMessage(unsigned account, const std::optional<std::u16string>& to,
                              QueuedMessage& message, bool isFirst, bool isLast, bool* deleted,
                              bool* previous) {
  previousOut_ = previous;
  deletedOut_ = deleted;
  hasPrevious_ = !isFirst;
  hasNext_ = !isLast;
  messageMode_ = true;
  summaryMode_ = false;
  account_ = account;
  message_ = &message;
  sender_ = message.fromDisplay;
  subject_ = message.subject;
  MessageTexts texts;
  if (to) texts.to = *to;
  texts.fromDisplay = message.fromDisplay;
  texts.subject = message.subject;
  texts.body = message.body;
  texts.hasAttachment = message.message.has_attachment;
  ComposeMessage(body_, texts);
  window_.PrepareFontLinking(message.body);
  ShowWindow();
}

void NoticeModel::ShowSummary(unsigned count) {
  body_.Clear();
  message_ = nullptr;
  count_ = count;
  messageMode_ = false;
  summaryMode_ = true;
  ShowWindow();
}

void NoticeModel::ForgetCaller() {
  message_ = nullptr;
  deletedOut_ = nullptr;
  previousOut_ = nullptr;
}

void NoticeModel::Resize() { window_.Move(WindowRect()); }

void NoticeModel::ShowWindow() {
  Resize();
  fader_.Show(WindowRect());
}

void NoticeModel::Collapse() {
  if (!expanded_) return;
  expanded_ = false;
  Resize();
}

void NoticeModel::Paint(PopupCanvas& canvas, PixelSize client) {
  PaintState state;
  state.messageMode = messageMode_;
  state.summaryMode = summaryMode_;
  state.expanded = expanded_;
  state.hideLogo = hideLogo_;
  state.hasPrevious = hasPrevious_;
  state.hasNext = hasNext_;
  state.count = count_;
  state.body = &body_;
  std::optional<PaintResult> painted = PaintPopup(canvas, window_, client, state, buttons_);
  if (!painted) return;
  hotAreas_ = std::move(painted->hotAreas);
  links_ = std::move(painted->links);
}

void NoticeModel::OnTimer(unsigned id) {
  if (id == kTimerDeleteResult) {
    window_.KillTimer(id);
    if (!deleteResultShown_) return;
    deleteResultShown_ = false;
    fader_.Close();
  } else if (deleteResultShown_ && id == kTimerDisplay) {
    // The result stays its full time; the close that follows fades out.
    window_.KillTimer(id);
  } else {
    fader_.OnTimer(id);
  }
}

void NoticeModel::OnMouseMove(Point p) {
  listener_.userActivity();
  if (!deleteResultShown_) fader_.OnMouseMove();
  HoverTest(p);
}

void NoticeModel::OnMouseLeave() {
  listener_.userActivity();
  HoverTest({0, 0});
  if (!deleteResultShown_) fader_.OnMouseLeave();
}

void NoticeModel::HoverTest(Point p) {
  for (PopupButtonIndex index : kHoverOrder) {
    PopupButton& button = buttons_[index];
    const bool hovered = button.rect.Contains(p);
    if (hovered == button.hovered) continue;
    button.hovered = hovered;
    window_.Invalidate(button.rect);
  }
}

bool NoticeModel::OnLeftButtonDown(Point p) {
  listener_.userActivity();
  lastClickHit_ = false;
  // While a delete result shows, the popup takes no orders.
  if (deleteResultShown_) return false;
  // The shell and the actions may let the window paint, which rebuilds the
  // lists: what they need is copied out first.
  for (const BodyLink& link : links_) {
    if (!link.rect.Contains(p)) continue;
    const std::u16string target = link.target;
    window_.OpenLink(target);
    return lastClickHit_ = true;
  }
  for (const HotArea& area : hotAreas_) {
    if (!area.rect.Contains(p)) continue;
    const int command = area.command;
    lastClickHit_ = true;
    Act(command);
    return true;
  }
  return false;
}

void NoticeModel::OnLeftButtonDoubleClick(Point) {
  if (!messageMode_ || lastClickHit_) return;
  OnMessage([this](Message* m) { listener_.openMessage(account_, m); });
}

bool NoticeModel::WantsHandCursor(Point p) const {
  for (const BodyLink& link : links_) {
    if (link.rect.Contains(p)) return true;
  }
  for (const HotArea& area : hotAreas_) {
    if (area.rect.Contains(p)) return true;
  }
  return false;
}

bool NoticeModel::OnKey(PopupKey key) {
  listener_.userActivity();
  if (deleteResultShown_) return false;
  int command = 0;
  switch (key) {
    case PopupKey::kEnter:
      command = messageMode_ ? kPopupOpen : summaryMode_ ? kPopupLaunch : 0;
      break;
    case PopupKey::kDelete:
      command = messageMode_ ? kPopupDelete : 0;
      break;
    case PopupKey::kEscape:
      command = Mode() != PopupMode::kEmpty ? kPopupNext : 0;
      break;
    case PopupKey::kPrevious:
      command = messageMode_ && hasPrevious_ ? kPopupPrevious : 0;
      break;
    case PopupKey::kNext:
      command = messageMode_ && hasNext_ ? kPopupNext : 0;
      break;
  }
  if (command == 0) return false;
  Act(command);
  return true;
}

std::u16string NoticeModel::AccessibleName() const {
  if (messageMode_) return Title() + u" from " + sender_ + u": " + subject_;
  const std::u16string shown = AccessibleDescription();
  if (shown.empty()) return Title();
  return Title() + u": " + shown.substr(0, shown.find(u'\n'));
}

std::u16string NoticeModel::AccessibleDescription() const {
  if (summaryMode_) {
    return kSummaryLead + SummaryCount(count_) + kSummaryTail + u"\n" + kLaunchText;
  }
  std::u16string text;
  bool lineStart = true;
  for (const TextRun& run : body_.Runs()) {
    if (run.kind == RunKind::kLineBreak) {
      text += u'\n';
      lineStart = true;
    } else if (!run.text.empty()) {
      if (!lineStart) text += u' ';
      text += run.text;
      lineStart = false;
    }
  }
  return text;
}

template <typename Action>
void NoticeModel::OnMessage(Action action) {
  if (message_ != nullptr) action(&message_->message);
  fader_.Close();
}

void NoticeModel::Act(int command) {
  switch (command) {
    case kPopupExpand:
      return Expand();
    case kPopupLaunch:
      return listener_.launchMail();
    case kPopupReply:
      return OnMessage([this](Message* m) { listener_.reply(account_, m, false); });
    case kPopupReplyAll:
      return OnMessage([this](Message* m) { listener_.reply(account_, m, true); });
    case kPopupForward:
      return OnMessage([this](Message* m) { listener_.forward(account_, m); });
    case kPopupDelete:
      return DeleteMessage();
    case kPopupOpen:
      return OnMessage([this](Message* m) { listener_.openMessage(account_, m); });
    case kPopupPrevious:
      if (previousOut_ != nullptr) *previousOut_ = true;
      return fader_.FastClose();
    case kPopupNext:
      return fader_.FastClose();
    case kPopupLogo:
      return window_.OpenLink(homePage_);
    case kPopupMarkRead:
      return OnMessage([this](Message* m) { listener_.markRead(account_, m); });
    case kPopupMarkSpam:
      return OnMessage([this](Message* m) { listener_.markSpam(account_, m); });
    default:
      return;
  }
}

// The server call runs on the window's thread and is waited for. The result
// then stays on screen for kDeleteResultMs: rather than block the thread,
// the model keeps it as a state and asks for a timer, whose end closes the
// popup; until then clicks, the display time and the mouse leaving are
// ignored, as they would wait behind a blocked thread.
void NoticeModel::DeleteMessage() {
  body_.Clear();
  messageMode_ = false;
  const bool deleted = message_ != nullptr && listener_.deleteMessage(account_, &message_->message);
  if (deleted) {
    body_.AppendText(kDeletedText);
    if (deletedOut_ != nullptr) *deletedOut_ = true;
  } else {
    body_.AppendText(kDeleteFailedText);
  }
  body_.MakeAllBold();
  deleteResultShown_ = true;
  window_.RepaintNow();
  window_.SetTimer(kTimerDeleteResult, kDeleteResultMs);
}

void NoticeModel::Expand() {
  expanded_ = true;
  Resize();
  const Rect window = WindowRect();
  window_.Invalidate({3, 3, window.Width() - 6, window.Height() - 6});
}

}  // namespace qptn
