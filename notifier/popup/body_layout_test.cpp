#include "notifier/popup/body_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "notifier/popup/fixed_measurer.h"
#include "tests/support/fake_tray.h"

namespace qptn {
namespace {

using testing::Narrow;

std::string Show(const Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// Every placed word, link and icon with its rectangle, then "..." and where
// it goes; "+" when everything fitted.
std::string Show(const BodyLayout& layout) {
  std::string out;
  for (const PlacedWord& w : layout.words) {
    const char* font = w.font == FontRole::kBold ? "*" : w.font == FontRole::kLink ? "<" : "";
    out += font + Narrow(std::u16string(w.text)) + Show(w.rect) + " ";
  }
  for (const BodyLink& l : layout.links) out += "link " + Narrow(l.target) + Show(l.rect) + " ";
  for (const Rect& icon : layout.icons) out += "icon" + Show(icon) + " ";
  if (layout.ellipsis) out += "..." + Show(*layout.ellipsis) + " ";
  out += layout.complete ? "+" : "-";
  return out;
}

TextRun W(std::u16string_view t) { return {t, RunKind::kPlain, false}; }
TextRun B(std::u16string_view t) { return {t, RunKind::kBold, false}; }
TextRun L(std::u16string_view t) { return {t, RunKind::kLink, false}; }
TextRun NoWrap(TextRun run) { return run.noWrap = true, run; }
const TextRun BR{{}, RunKind::kLineBreak, false};
const TextRun ICON{{}, RunKind::kIcon, false};

// Plain and link words 5 pixels a character and 14 high, bold ones 6 and
// 16 high, lines 14 apart: a space and a dot are 5 wide.
class BodyLayoutTest : public ::testing::Test {
 protected:
  BodyLayoutTest() {
    measurer.SetAll({5, 14, 14});
    measurer.Set(FontRole::kBold, {6, 16, 14});
  }
  FixedMeasurer measurer;
};

TEST_F(BodyLayoutTest, Placement) {
  struct Case {
    const char* name;
    std::vector<TextRun> runs;
    bool honourNoWrap;
    std::string expected;
  };
  // Rectangle (10,20)-(110,62): three lines; the last ends at 110 - 10 - 5 = 95.
  const std::u16string_view w4 = u"wwww", w8 = u"aaaaaaaa", w20 = u"xxxxxxxxxxxxxxxxxxxx";
  const std::u16string_view w30 = u"yyyyyyyyyyyyyyyyyyyyyyyyyyyyyy";
  const Case cases[] = {
      {"fits on one line", {W(u"ab"), W(u"cd")}, true, "ab(10,20,20,34) cd(25,20,35,34) +"},
      {"a word past the right edge moves to the next line",
       {W(w8), W(w8), W(w8)},
       true,
       "aaaaaaaa(10,20,50,34) aaaaaaaa(55,20,95,34) aaaaaaaa(10,34,50,48) +"},
      {"a word ending on the right edge stays",
       {W(w20), W(u"b")},
       true,
       "xxxxxxxxxxxxxxxxxxxx(10,20,110,34) b(10,34,15,48) +"},
      {"a word wider than the line at the left edge is cut there",
       {W(w30)},
       true,
       "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyy(10,20,110,34) +"},
      {"a wide word after another moves, then is cut",
       {W(u"a"), W(w30)},
       true,
       "a(10,20,15,34) yyyyyyyyyyyyyyyyyyyyyyyyyyyyyy(10,34,110,48) +"},
      {"line breaks open lines", {W(u"a"), BR, W(u"b")}, true, "a(10,20,15,34) b(10,34,15,48) +"},
      {"a line break beyond the last line ends it, nothing after it",
       {W(u"a"), BR, BR, BR},
       true,
       "a(10,20,15,34) ...(10,48,25,62) -"},
      {"the last line keeps the reserve and one dot free",
       {W(w4), W(w4), W(w4), W(w4), W(w4), W(w4), W(w4), W(w4), W(w4), W(w4), W(w4), W(w4)},
       true,
       "wwww(10,20,30,34) wwww(35,20,55,34) wwww(60,20,80,34) wwww(85,20,105,34) "
       "wwww(10,34,30,48) wwww(35,34,55,48) wwww(60,34,80,48) wwww(85,34,105,48) "
       "wwww(10,48,30,62) wwww(35,48,55,62) wwww(60,48,80,62) ...(85,48,100,62) -"},
      {"no-wrap honoured: the sender's last word is cut on its line",
       {B(u"From:"), W(u"Ann"), NoWrap(W(u"Leeeeeeeeeeeeeeee"))},
       true,
       "*From:(10,20,40,36) Ann(45,20,60,34) Leeeeeeeeeeeeeeee(65,20,110,34) +"},
      {"no-wrap not honoured: it moves like any word",
       {B(u"From:"), W(u"Ann"), NoWrap(W(u"Leeeeeeeeeeeeeeee"))},
       false,
       "*From:(10,20,40,36) Ann(45,20,60,34) Leeeeeeeeeeeeeeee(10,34,95,48) +"},
      {"a no-wrap line break is skipped where no-wrap is honoured",
       {W(u"a"), BR, NoWrap(BR), W(u"b")},
       true,
       "a(10,20,15,34) b(10,34,15,48) +"},
      {"and is a blank line where it is not",
       {W(u"a"), BR, NoWrap(BR), W(u"b")},
       false,
       "a(10,20,15,34) b(10,48,15,62) +"},
      {"the icon follows the label and the subject follows it without a space",
       {B(u"Subject:"), ICON, W(u"Hi")},
       true,
       "*Subject:(10,20,58,36) Hi(76,20,86,34) icon(63,20,76,36) +"},
      {"an icon past the edge moves like a word",
       {W(u"xxxxxxxxxxxxxxxxxxx"), ICON},
       true,
       "xxxxxxxxxxxxxxxxxxx(10,20,105,34) icon(10,34,23,48) +"},
      {"links are reported with their rectangles",
       {W(u"see"), L(u"http://a.b"), W(u"now")},
       true,
       "see(10,20,25,34) <http://a.b(30,20,80,34) now(85,20,100,34) link http://a.b(30,20,80,34) "
       "+"},
      {"a no-wrap run past the limit gets an empty rectangle",
       {W(w20), NoWrap(W(u"x"))},
       true,
       "xxxxxxxxxxxxxxxxxxxx(10,20,110,34) x(115,20,115,34) +"},
      {"nothing to place", {}, true, "+"},
  };
  for (const Case& c : cases) {
    const BodyLayout layout =
        LayOutBody(c.runs, measurer, {{10, 20, 110, 62}, 10, 13, c.honourNoWrap});
    EXPECT_EQ(Show(layout), c.expected) << c.name;
  }
}

TEST_F(BodyLayoutTest, LinksAfterTheCutAreNeitherDrawnNorReported) {
  // Two lines; the second ends at 95.
  const std::vector<TextRun> runs = {L(u"http://a"), BR, W(u"bbbbbbbb"), L(u"http://cc"),
                                     L(u"http://d")};
  const BodyLayout layout = LayOutBody(runs, measurer, {{10, 20, 110, 48}, 10, 13, true});
  EXPECT_EQ(Show(layout),
            "<http://a(10,20,50,34) bbbbbbbb(10,34,50,48) link http://a(10,20,50,34) "
            "...(55,34,70,48) -");
}

TEST_F(BodyLayoutTest, ARectangleOfOneLineKeepsTheRoomOnThatLine) {
  // The only line is the last one: it ends at 95, not 110.
  for (int height : {14, 20, 5, 0, -30}) {
    const BodyLayout layout = LayOutBody({W(u"a"), W(u"bbbbbbbbbbbbbbbb")}, measurer,
                                         {{10, 20, 110, 20 + height}, 10, 13, true});
    EXPECT_EQ(Show(layout), "a(10,20,15,34) ...(20,20,35,34) -") << "height " << height;
  }
}

TEST_F(BodyLayoutTest, ALineHeightOfZeroCountsAsOnePixel) {
  measurer.Set(FontRole::kBody, {5, 14, 0});
  const BodyLayout layout =
      LayOutBody({W(u"a"), BR, W(u"b")}, measurer, {{10, 20, 110, 62}, 10, 13, true});
  EXPECT_EQ(Show(layout), "a(10,20,15,34) b(10,21,15,35) +");
}

TEST_F(BodyLayoutTest, ACollapsedMessageBodyFillsSixLines) {
  // The popup's body rectangle at 297 x 190, 14-pixel lines: six lines. The
  // reserve is "expand | open" in the link font plus 10: 75.
  std::vector<TextRun> runs;
  for (int i = 0; i < 80; ++i) runs.push_back(W(u"word"));
  const BodyLayout layout = LayOutBody(runs, measurer, {{17, 53, 280, 137}, 75, 13, true});
  std::set<int> tops;
  for (const PlacedWord& w : layout.words) tops.insert(w.rect.top);
  EXPECT_EQ(tops, (std::set<int>{53, 67, 81, 95, 109, 123}));
  // Ten words a line, seven on the sixth, which ends at 280 - 75 - 5 = 200.
  ASSERT_EQ(layout.words.size(), 57u);
  EXPECT_EQ(Show(layout.words[9].rect), "(242,53,262,67)");
  EXPECT_EQ(Show(layout.words.back().rect), "(167,123,187,137)");
  ASSERT_TRUE(layout.ellipsis);
  EXPECT_EQ(Show(*layout.ellipsis), "(192,123,207,137)");
  EXPECT_FALSE(layout.complete);
}

}  // namespace
}  // namespace qptn
