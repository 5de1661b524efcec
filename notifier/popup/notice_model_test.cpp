#include "notifier/popup/notice_model.h"

#include <gtest/gtest.h>

#include <string>

#include "notifier/check/check_ports.h"
#include "notifier/popup/popup_test_fakes.h"

namespace qptn {
namespace {

using testing::CallLog;
using testing::Calls;
using testing::FakeListener;
using testing::FakeWindow;
using testing::RecordingCanvas;

QueuedMessage Mail(const char16_t* uid, std::u16string body, bool attachment = false) {
  QueuedMessage m;
  m.message.uidstr.uid = uid;
  m.message.has_attachment = attachment;
  m.fromDisplay = u"Ann";
  m.subject = u"Hi";
  m.body = std::move(body);
  return m;
}

const Calls kClose = {"kill 2", "kill 4", "set 3 75"};

// The fixed-advance canvas of the paint tests: 5 pixels a character, bold 6.
class NoticeModelTest : public ::testing::Test {
 protected:
  NoticeModelTest() {
    canvas.metrics.SetAll({5, 14, 14});
    canvas.metrics.Set(FontRole::kBold, {6, 16, 14});
    model.SetWorkArea({0, 0, 1024, 738});
  }
  // Shows `mail` as the middle of a sequence, fully faded in, and paints it.
  void ShowAndPaint(std::u16string body = u"see http://x.example now") {
    mail = Mail(u"u1", std::move(body));
    model.ShowMessage(0, std::nullopt, mail, false, false, &deleted, &previous);
    for (int i = 0; i < 11; ++i) model.OnTimer(kTimerFadeIn);
    Paint();
    log.Take();
  }
  void Paint() {
    const Rect r = model.WindowRect();
    model.Paint(canvas, {r.Width(), r.Height()});
  }
  // Runs the fade-out timer until the owner is told.
  void FadeOutToTheEnd() {
    for (int i = 0; i < 12 && model.Fader().Visible(); ++i) model.OnTimer(kTimerFadeOut);
  }

  CallLog log, drawn;
  FakeListener listener{log};
  FakeWindow window{log};
  RecordingCanvas canvas{drawn};
  NoticeModel model{listener, window, false, u"https://home.example/"};
  QueuedMessage mail;
  bool deleted = false;
  bool previous = false;
};

TEST_F(NoticeModelTest, ShowingAMessage) {
  mail = Mail(u"u1", u"text");
  model.ShowMessage(1, u"bo@example.org", mail, true, false, &deleted, &previous);
  EXPECT_EQ(log.Take(), (Calls{"fontlink text", "move (725,546,1022,736)", "kill 3", "kill 4",
                               "show", "set 2 75"}));
  EXPECT_EQ(model.Mode(), PopupMode::kMessage);
  EXPECT_EQ(model.Title(), u"New Message");
  EXPECT_EQ(model.Body().Runs()[1].text, u"bo@example.org");
  struct Case {
    bool isFirst, isLast, hasPrevious, hasNext;
  };
  for (const Case& c : {Case{true, false, false, true}, Case{false, false, true, true},
                        Case{false, true, true, false}, Case{true, true, false, false}}) {
    model.ShowMessage(0, std::nullopt, mail, c.isFirst, c.isLast, nullptr, nullptr);
    EXPECT_EQ(model.HasPrevious(), c.hasPrevious);
    EXPECT_EQ(model.HasNext(), c.hasNext);
  }
  model.SetDpi(144);
  window.quiet = true;
  model.ShowSummary(3);
  EXPECT_EQ(testing::Show(model.WindowRect()), "(575,540,1021,735)");
}

TEST_F(NoticeModelTest, ClicksOnButtonsAndLinks) {
  struct Case {
    const char* name;
    Point at;
    Calls calls;
    bool hit, closing, fast, previousSet;
  };
  const Calls none;
  const Case cases[] = {
      {"reply", {30, 160}, {"reply 0 u1"}, true, true, false, false},
      {"reply to all", {80, 160}, {"reply all 0 u1"}, true, true, false, false},
      {"forward", {130, 160}, {"forward 0 u1"}, true, true, false, false},
      {"mark read", {210, 170}, {"markRead 0 u1"}, true, true, false, false},
      {"mark spam", {250, 160}, {"markSpam 0 u1"}, true, true, false, false},
      {"open", {265, 130}, {"openMessage 0 u1"}, true, true, false, false},
      {"previous", {10, 160}, none, true, true, true, true},
      {"next", {280, 160}, none, true, true, true, false},
      {"close", {280, 10}, none, true, true, true, false},
      {"logo: the popup stays",
       {200, 10},
       {"open https://home.example/"},
       true,
       false,
       false,
       false},
      {"a body link: the popup stays",
       {100, 85},
       {"open http://x.example"},
       true,
       false,
       false,
       false},
      {"nothing there", {150, 120}, none, false, false, false, false},
      {"the strip between two buttons", {65, 160}, none, false, false, false, false},
  };
  for (const Case& c : cases) {
    NoticeModel m{listener, window, false, u"https://home.example/"};
    m.SetWorkArea({0, 0, 1024, 738});
    mail = Mail(u"u1", u"see http://x.example now");
    previous = false;
    m.ShowMessage(0, std::nullopt, mail, false, false, &deleted, &previous);
    m.Paint(canvas, {297, 190});
    log.Take();
    EXPECT_EQ(m.OnLeftButtonDown(c.at), c.hit) << c.name;
    Calls expected = c.calls;
    if (c.closing) expected.insert(expected.end(), kClose.begin(), kClose.end());
    EXPECT_EQ(log.Take(), expected) << c.name;
    EXPECT_EQ(m.Fader().Alpha(), c.fast ? kFastCloseAlpha : 0) << c.name;
    EXPECT_EQ(m.Fader().MouseInside(), c.closing && !c.fast) << c.name;
    EXPECT_EQ(previous, c.previousSet) << c.name;
    EXPECT_FALSE(deleted) << c.name;
  }
}

TEST_F(NoticeModelTest, DoubleClickOpensTheMessageUnlessTheClickHitSomething) {
  ShowAndPaint();
  model.OnLeftButtonDown({100, 85});  // the link
  log.Take();
  model.OnLeftButtonDoubleClick({100, 85});
  EXPECT_EQ(log.Take(), Calls{});
  model.OnLeftButtonDown({150, 120});
  model.OnLeftButtonDoubleClick({150, 120});
  Calls expected = {"openMessage 0 u1"};
  expected.insert(expected.end(), kClose.begin(), kClose.end());
  EXPECT_EQ(log.Take(), expected);

  model.ShowSummary(9);
  log.Take();
  model.OnLeftButtonDown({150, 120});
  model.OnLeftButtonDoubleClick({150, 120});
  EXPECT_EQ(log.Take(), Calls{}) << "summary mode";
}

TEST_F(NoticeModelTest, CursorAndHover) {
  ShowAndPaint();
  EXPECT_TRUE(model.WantsHandCursor({100, 85}));   // link
  EXPECT_TRUE(model.WantsHandCursor({30, 160}));   // Reply
  EXPECT_TRUE(model.WantsHandCursor({265, 130}));  // open
  EXPECT_FALSE(model.WantsHandCursor({150, 120}));
  EXPECT_FALSE(model.WantsHandCursor({65, 160}));
  listener.logActivity = true;
  model.OnMouseMove({30, 160});
  EXPECT_EQ(log.Take(), (Calls{"activity", "track", "invalidate (24,156,59,181)"}));
  model.OnMouseMove({130, 160});
  EXPECT_EQ(log.Take(),
            (Calls{"activity", "invalidate (24,156,59,181)", "invalidate (120,156,155,181)"}));
  EXPECT_TRUE(model.Buttons()[kButtonForward].hovered);
  model.OnMouseLeave();
  Calls expected = {"activity", "invalidate (120,156,155,181)"};
  expected.insert(expected.end(), kClose.begin(), kClose.end());
  EXPECT_EQ(log.Take(), expected);
}

TEST_F(NoticeModelTest, DeleteShowsTheResultThenCloses) {
  struct Case {
    bool succeeds;
    std::u16string text;
  };
  for (const Case& c : {Case{true, kDeletedText}, Case{false, kDeleteFailedText}}) {
    listener.deleteSucceeds = c.succeeds;
    deleted = false;
    ShowAndPaint();
    window.onRepaint = [this] { Paint(); };  // the window paints at once
    drawn.Take();
    EXPECT_TRUE(model.OnLeftButtonDown({170, 160}));
    window.onRepaint = nullptr;
    EXPECT_EQ(log.Take(), (Calls{"deleteMessage 0 u1", "repaint", "set 5 1500"}));
    EXPECT_EQ(deleted, c.succeeds);
    EXPECT_TRUE(model.ShowingDeleteResult());
    EXPECT_EQ(model.Title(), u"New Messages");
    std::u16string shown;
    for (const TextRun& run : model.Body().Runs()) {
      EXPECT_EQ(run.kind, RunKind::kBold);
      shown += std::u16string(run.text) + u" ";
    }
    EXPECT_EQ(shown, c.text + u" ");
    EXPECT_EQ(model.HotAreas().size(), 2u) << "close and logo only";
    // Until the result's time is over the popup takes no orders.
    model.OnLeftButtonDown({280, 10});
    model.OnTimer(kTimerDisplay);
    model.OnMouseLeave();
    EXPECT_EQ(log.Take(), Calls{"kill 4"});
    model.OnTimer(kTimerDeleteResult);
    Calls expected = {"kill 5"};
    expected.insert(expected.end(), kClose.begin(), kClose.end());
    EXPECT_EQ(log.Take(), expected);
    EXPECT_FALSE(model.ShowingDeleteResult());
    FadeOutToTheEnd();
    EXPECT_EQ(log.calls.back(), "alpha 0");
  }
}

TEST_F(NoticeModelTest, ExpandGrowsTheWindowAndTheEndOfTheShowingCollapsesIt) {
  std::u16string longText;
  for (int i = 0; i < 100; ++i) longText += u"word ";
  ShowAndPaint(longText);
  EXPECT_TRUE(model.OnLeftButtonDown({220, 130}));
  EXPECT_EQ(log.Take(), (Calls{"move (622,392,1022,736)", "invalidate (3,3,394,338)"}));
  EXPECT_TRUE(model.Expanded());
  model.OnMouseLeave();
  log.Take();
  FadeOutToTheEnd();
  const Calls end = log.Take();
  EXPECT_EQ(Calls(end.end() - 5, end.end()),
            (Calls{"kill 3", "hide", "move (725,546,1022,736)", "notify", "alpha 0"}));
  EXPECT_FALSE(model.Expanded());
}

TEST_F(NoticeModelTest, SummaryLaunchKeepsThePopup) {
  model.ShowSummary(12);
  EXPECT_EQ(log.Take(), (Calls{"move (725,606,1022,736)", "kill 3", "kill 4", "show", "set 2 75"}));
  EXPECT_EQ(model.Mode(), PopupMode::kSummary);
  Paint();
  EXPECT_TRUE(model.OnLeftButtonDown({120, 100}));
  EXPECT_EQ(log.Take(), Calls{"launchMail"});
}

TEST_F(NoticeModelTest, AForgottenCallerIsNotTouched) {
  ShowAndPaint();
  model.ForgetCaller();
  model.OnLeftButtonDown({10, 160});  // previous
  EXPECT_FALSE(previous);
  ShowAndPaint();
  model.ForgetCaller();
  model.OnLeftButtonDown({30, 160});  // reply: no message any more, just close
  EXPECT_EQ(log.Take(), kClose);
}

TEST_F(NoticeModelTest, KeysReachTheActions) {
  struct Case {
    const char* name;
    PopupKey key;
    bool isFirst, isLast;
    Calls calls;  // before the close, if any
    bool handled, closing, fast, previousSet;
  };
  const Calls none;
  const Case cases[] = {
      {"enter opens", PopupKey::kEnter, false, false, {"openMessage 0 u1"}, true, true, false,
       false},
      {"escape closes", PopupKey::kEscape, false, false, none, true, true, true, false},
      {"escape closes the last one too", PopupKey::kEscape, false, true, none, true, true, true,
       false},
      {"previous", PopupKey::kPrevious, false, false, none, true, true, true, true},
      {"no previous before the first", PopupKey::kPrevious, true, false, none, false, false,
       false, false},
      {"next", PopupKey::kNext, false, false, none, true, true, true, false},
      {"no next after the last", PopupKey::kNext, false, true, none, false, false, false, false},
  };
  for (const Case& c : cases) {
    NoticeModel m{listener, window, false, u"https://home.example/"};
    m.SetWorkArea({0, 0, 1024, 738});
    mail = Mail(u"u1", u"text");
    previous = false;
    m.ShowMessage(0, std::nullopt, mail, c.isFirst, c.isLast, &deleted, &previous);
    log.Take();
    EXPECT_EQ(m.OnKey(c.key), c.handled) << c.name;
    Calls expected = c.calls;
    if (c.closing) expected.insert(expected.end(), kClose.begin(), kClose.end());
    EXPECT_EQ(log.Take(), expected) << c.name;
    EXPECT_EQ(m.Fader().Alpha(), c.fast ? kFastCloseAlpha : 0) << c.name;
    EXPECT_EQ(previous, c.previousSet) << c.name;
  }

  // Delete runs the delete procedure; then the popup takes no keys.
  ShowAndPaint();
  EXPECT_TRUE(model.OnKey(PopupKey::kDelete));
  EXPECT_EQ(log.Take(), (Calls{"deleteMessage 0 u1", "repaint", "set 5 1500"}));
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(model.OnKey(PopupKey::kEscape));
  EXPECT_EQ(log.Take(), Calls{});

  // A summary: Enter launches the web mail and the popup stays; Delete and
  // the arrows do nothing.
  model.OnTimer(kTimerDeleteResult);
  model.ShowSummary(7);
  log.Take();
  EXPECT_FALSE(model.OnKey(PopupKey::kDelete));
  EXPECT_FALSE(model.OnKey(PopupKey::kNext));
  EXPECT_TRUE(model.OnKey(PopupKey::kEnter));
  EXPECT_EQ(log.Take(), Calls{"launchMail"});
}

TEST_F(NoticeModelTest, WhatAScreenReaderReads) {
  mail = Mail(u"u1", u"Shall we meet  at noon?\r\nSee http://x.example");
  mail.fromDisplay = u"Ann Example";
  mail.subject = u"Lunch on Friday?";
  model.ShowMessage(0, u"me@quillpost.com", mail, true, true, &deleted, &previous);
  EXPECT_EQ(model.AccessibleName(), u"New Message from Ann Example: Lunch on Friday?");
  EXPECT_EQ(model.AccessibleDescription(),
            u"To: me@quillpost.com\nFrom: Ann Example\nSubject: Lunch on Friday?\n\n"
            u"Message: Shall we meet at noon? See http://x.example");
  // The name is the popup's own: it outlives the caller's message.
  model.ForgetCaller();
  mail.fromDisplay = u"changed";
  EXPECT_EQ(model.AccessibleName(), u"New Message from Ann Example: Lunch on Friday?");

  Paint();
  listener.deleteSucceeds = false;
  model.OnLeftButtonDown({170, 160});
  EXPECT_EQ(model.AccessibleName(), u"New Messages: Unable to delete the message.");
  EXPECT_EQ(model.AccessibleDescription(), u"Unable to delete the message.");

  model.OnTimer(kTimerDeleteResult);
  model.ShowSummary(7);
  EXPECT_EQ(model.AccessibleName(), u"New Messages: You have 7 new messages.");
  EXPECT_EQ(model.AccessibleDescription(), u"You have 7 new messages.\nLaunch Quillpost");
}

// The mail check's port in front of the model, as the Windows popup will
// hold it: the flags are set when the owner hears of the end.
class DirectPopup : public PopupPort {
 public:
  explicit DirectPopup(NoticeModel& model) : model_(model) {}
  void ShowMessage(unsigned account, const std::optional<std::u16string>& to, QueuedMessage& m,
                   bool isFirst, bool isLast, bool* deleted, bool* previous) override {
    model_.ShowMessage(account, to, m, isFirst, isLast, deleted, previous);
  }
  void ShowSummary(unsigned count) override { model_.ShowSummary(count); }
  void SetDisplayTime(unsigned ms) override { model_.SetDisplayTime(ms); }

 private:
  NoticeModel& model_;
};

TEST_F(NoticeModelTest, BehindTheMailChecksPort) {
  DirectPopup port(model);
  port.SetDisplayTime(6000);
  bool deletedAtNotice = false;
  window.onNotify = [&] { deletedAtNotice = deleted; };
  mail = Mail(u"u7", u"body");
  port.ShowMessage(0, std::nullopt, mail, true, true, &deleted, &previous);
  for (int i = 0; i < 11; ++i) model.OnTimer(kTimerFadeIn);
  EXPECT_EQ(log.calls.back(), "alpha 255");
  EXPECT_NE(std::find(log.calls.begin(), log.calls.end(), "set 4 6000"), log.calls.end());
  Paint();
  model.OnLeftButtonDown({170, 160});
  model.OnTimer(kTimerDeleteResult);
  FadeOutToTheEnd();
  EXPECT_TRUE(deletedAtNotice);
}

}  // namespace
}  // namespace qptn
