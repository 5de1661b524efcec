#include "notifier/popup/popup_paint.h"

#include <gtest/gtest.h>

#include <string>

#include "notifier/popup/popup_test_fakes.h"

namespace qptn {
namespace {

using testing::CallLog;
using testing::Calls;
using testing::FakeWindow;
using testing::RecordingCanvas;
using testing::Show;

std::string Show(const std::vector<HotArea>& areas) {
  std::string out;
  for (const HotArea& a : areas) out += std::to_string(a.command) + Show(a.rect) + " ";
  return out;
}

Calls Only(const Calls& calls, const std::string& prefix) {
  Calls out;
  for (const std::string& c : calls) {
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  }
  return out;
}

// Plain, normal and link text 5 pixels a character, 14 high; bold 6 and 16
// high; large 8 and 18 high. Lines 14 apart.
class PopupPaintTest : public ::testing::Test {
 protected:
  PopupPaintTest() {
    canvas.metrics.SetAll({5, 14, 14});
    canvas.metrics.Set(FontRole::kBold, {6, 16, 14});
    canvas.metrics.Set(FontRole::kLarge, {8, 18, 14});
    state.body = &body;
  }
  void Message(std::u16string_view bodyText, bool attachment = false) {
    state.messageMode = true;
    ComposeMessage(body, {std::nullopt, u"Ann", u"Hi", bodyText, attachment});
  }
  std::optional<PaintResult> Paint(int width, int height) {
    return PaintPopup(canvas, window, {width, height}, state, buttons);
  }

  CallLog log;
  RecordingCanvas canvas{log};
  FakeWindow window{log};
  RunList body;
  PaintState state;
  PopupButtons buttons{};
};

TEST_F(PopupPaintTest, AMessageThatFits) {
  Message(u"text");
  state.hasNext = true;
  const auto result = Paint(297, 190);
  ASSERT_TRUE(result);
  EXPECT_EQ(log.Take(), (Calls{"background (0,0,297,190)",
                               "box (3,3,294,41)",
                               "stretch 133 4,4 w289",
                               "stretch 132 1,41 w295",
                               "bitmap 158 274,7",
                               "bitmap 135 193,5",
                               "text New Message (17,3,294,38) bold vcentre",
                               "box (3,151,294,187)",
                               "stretch 131 4,141 w289",
                               "bitmap 130 21,156",
                               "tips clear",
                               "bitmap 153 275,156",
                               "tip 18 Next Message (275,156,292,181)",
                               "tip 12 Reply (24,156,59,181)",
                               "tip 13 Reply to All (72,156,107,181)",
                               "tip 14 Forward (120,156,155,181)",
                               "tip 15 Delete (165,156,194,181)",
                               "tip 21 Mark Read (206,156,235,181)",
                               "tip 22 Mark Spam (244,156,273,181)",
                               "line (3,3,3,187)",
                               "line (293,3,293,187)",
                               "text From: (17,53,47,69) bold",
                               "text Ann (52,53,67,67) body",
                               "text Subject: (17,67,65,83) bold",
                               "text Hi (70,67,80,81) body",
                               "text Message: (17,81,65,97) bold",
                               "text text (70,81,90,95) body",
                               "text open (260,123,280,137) link blue"}));
  EXPECT_EQ(Show(result->hotAreas),
            "18(274,7,290,23) 20(193,5,273,39) 12(24,156,59,181) 13(72,156,107,181) "
            "14(120,156,155,181) 15(165,156,194,181) 21(206,156,235,181) 22(244,156,273,181) "
            "18(275,156,292,181) 16(260,123,280,137) ");
  EXPECT_EQ(Show(buttons[kButtonPrevious].rect), "(6,156,23,181)");
}

TEST_F(PopupPaintTest, PreviousAndNextFollowThePositionInTheSequence) {
  struct Case {
    bool hasPrevious, hasNext;
    std::string arrows;
  };
  const Case cases[] = {
      {false, true, "18(275,156,292,181) "},  // the first of several
      {true, true, "17(6,156,23,181) 18(275,156,292,181) "},
      {true, false, "17(6,156,23,181) "},  // the last
      {false, false, ""},                  // the only one
  };
  Message(u"text");
  for (const Case& c : cases) {
    state.hasPrevious = c.hasPrevious;
    state.hasNext = c.hasNext;
    const auto result = Paint(297, 190);
    std::vector<HotArea> arrows;
    for (const HotArea& a : result->hotAreas) {
      if (a.rect.top == 156 && (a.command == kPopupPrevious || a.command == kPopupNext)) {
        arrows.push_back(a);
      }
    }
    EXPECT_EQ(Show(arrows), c.arrows) << c.hasPrevious << c.hasNext;
    // Close is always there, first.
    EXPECT_EQ(Show(std::vector<HotArea>{result->hotAreas.front()}), "18(274,7,290,23) ");
    const Calls tips = Only(log.Take(), "tip ");
    EXPECT_EQ(tips.size(), 6u + c.hasPrevious + c.hasNext);
  }
}

TEST_F(PopupPaintTest, ABodyThatDoesNotFitOffersExpandUntilExpanded) {
  std::u16string longText;
  for (int i = 0; i < 300; ++i) longText += u"word ";
  Message(longText);
  auto result = Paint(297, 190);
  Calls calls = log.Take();
  EXPECT_EQ(Only(calls, "text ..."), Calls{"text ... (192,123,207,137) body"});
  EXPECT_EQ(Only(calls, "text expand"), Calls{"text expand (215,123,245,137) link blue opaque"});
  EXPECT_EQ(Only(calls, "text open"), Calls{"text open (250,123,270,137) link blue opaque"});
  EXPECT_EQ(Show(std::vector<HotArea>(result->hotAreas.end() - 2, result->hotAreas.end())),
            "10(215,123,245,137) 16(250,123,270,137) ");

  state.expanded = true;
  result = Paint(400, 344);
  calls = log.Take();
  EXPECT_EQ(Only(calls, "text expand"), Calls{});
  EXPECT_EQ(Only(calls, "text open"), Calls{"text open (363,277,383,291) link blue"});
  EXPECT_EQ(Show(std::vector<HotArea>{result->hotAreas.back()}), "16(363,277,383,291) ");
  EXPECT_EQ(Only(calls, "text ...").size(), 1u) << "still cut, expanded";
}

TEST_F(PopupPaintTest, TheAttachmentIconStandsOnItsLine) {
  Message(u"x", true);
  Paint(297, 190);
  // "Subject:" ends at 65, the icon is 13 wide at 70 with the bold line's bottom 83.
  EXPECT_EQ(Only(log.Take(), "bitmap 150"), Calls{"bitmap 150 70,68"});
}

TEST_F(PopupPaintTest, HoveredButtonsShowTheirHoverImage) {
  Message(u"text");
  state.hasPrevious = true;
  state.hasNext = true;
  Paint(297, 190);
  log.Take();
  buttons[kButtonReply].hovered = true;
  buttons[kButtonPrevious].hovered = true;
  buttons[kButtonClose].hovered = true;
  Paint(297, 190);
  EXPECT_EQ(Only(log.Take(), "bitmap 1"),
            (Calls{"bitmap 158 274,7", "bitmap 135 193,5", "bitmap 130 21,156", "bitmap 151 6,156",
                   "bitmap 153 275,156", "bitmap 143 24,156"}));
}

TEST_F(PopupPaintTest, TheSummaryLine) {
  struct Case {
    unsigned count;
    int largeAdvance;
    Calls texts;
  };
  const Case cases[] = {
      {7,
       8,
       {"text New Messages (17,3,294,38) bold vcentre", "text You have  (52,66,124,84) large",
        "text 7 (124,66,132,84) large blue", "text  new messages. (132,66,244,84) large",
        "text Launch Quillpost (108,96,188,110) link blue"}},
      // Wider than the window: the shift (297 - 300) / 2 rounds toward zero.
      {10,
       12,
       {"text New Messages (17,3,294,38) bold vcentre", "text You have  (-1,66,107,84) large",
        "text 10 (107,66,131,84) large blue", "text  new messages. (131,66,299,84) large",
        "text Launch Quillpost (108,96,188,110) link blue"}},
  };
  state.summaryMode = true;
  for (const Case& c : cases) {
    canvas.metrics.Set(FontRole::kLarge, {c.largeAdvance, 18, 14});
    state.count = c.count;
    const auto result = Paint(297, 130);
    const Calls calls = log.Take();
    EXPECT_EQ(Only(calls, "text "), c.texts) << c.count;
    EXPECT_EQ(Only(calls, "stretch 131"), Calls{"stretch 131 4,117 w289"});
    EXPECT_EQ(Only(calls, "box "), Calls{"box (3,3,294,41)"}) << "no footer box";
    EXPECT_EQ(Only(calls, "tip"), Calls{});
    EXPECT_EQ(Show(result->hotAreas), "18(274,7,290,23) 20(193,5,273,39) 11(108,96,188,110) ");
  }
}

TEST_F(PopupPaintTest, WithoutTheLogoTheCloseButtonStays) {
  state.hideLogo = true;
  state.summaryMode = true;
  const auto result = Paint(297, 130);
  EXPECT_EQ(Only(log.Take(), "bitmap"), Calls{"bitmap 158 274,7"});
  EXPECT_EQ(Show(result->hotAreas), "18(274,7,290,23) 11(108,96,188,110) ");
}

TEST_F(PopupPaintTest, NeitherMode) {
  // Empty after start-up, and the delete result: the title of the summary,
  // a footer box without buttons, the body, and no "open".
  body.MarkBold(body.AppendText(u"Message deleted."));
  const auto result = Paint(297, 190);
  const Calls calls = log.Take();
  EXPECT_EQ(Only(calls, "text "),
            (Calls{"text New Messages (17,3,294,38) bold vcentre",
                   "text Message (17,53,59,69) bold", "text deleted. (64,53,104,67) body"}));
  EXPECT_EQ(Only(calls, "box "), (Calls{"box (3,3,294,41)", "box (3,151,294,187)"}));
  EXPECT_EQ(Only(calls, "tip"), Calls{});
  EXPECT_EQ(Show(result->hotAreas), "18(274,7,290,23) 20(193,5,273,39) ");
}

TEST_F(PopupPaintTest, AnEmptyClientAreaPaintsNothing) {
  Message(u"text");
  EXPECT_FALSE(Paint(0, 190));
  EXPECT_FALSE(Paint(297, 0));
  EXPECT_EQ(log.Take(), Calls{});
}

TEST(PopupTitle, ElevenCharactersInMessageMode) {
  EXPECT_EQ(PopupTitle(true), u"New Message");
  EXPECT_EQ(PopupTitle(false), u"New Messages");
}

}  // namespace
}  // namespace qptn
