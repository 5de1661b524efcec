#include "control/dialogs/dialog_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace gwax {
namespace {

std::vector<ButtonBox> OkCancel(int windowWidth, int windowHeight) {
  std::vector<ButtonBox> buttons = {{0, 0, 63, 19, 1}, {0, 0, 62, 19, 2}};
  LayoutButtons(windowWidth, windowHeight, buttons);
  return buttons;
}

TEST(DialogLayout, ButtonsAreCentredInTheBottomBand) {
  // 63 + 5 + 62 = 130 wide; (249 - 130) / 2 = 59; 163 - (30 - 19) / 2 - 19 = 139.
  const auto two = OkCancel(249, 163);
  EXPECT_EQ(two[0].left, 59);
  EXPECT_EQ(two[1].left, 59 + 63 + 5);
  EXPECT_EQ(two[0].top, 139);
  EXPECT_EQ(two[1].top, 139);

  std::vector<ButtonBox> one = {{0, 0, 63, 19, 1}};
  LayoutButtons(249, 163, one);
  EXPECT_EQ(one[0].left, 93);
  EXPECT_EQ(one[0].top, 139);

  // The first button's height places the row.
  std::vector<ButtonBox> mixed = {{0, 0, 40, 24, 1}, {0, 0, 40, 10, 2}};
  LayoutButtons(200, 100, mixed);
  EXPECT_EQ(mixed[0].top, 100 - 3 - 24);
  EXPECT_EQ(mixed[1].top, mixed[0].top);

  std::vector<ButtonBox> none;
  LayoutButtons(200, 100, none);
  EXPECT_TRUE(none.empty());
}

TEST(DialogLayout, HitTestCountsTheEdgesAsInside) {
  const auto b = OkCancel(249, 163);  // OK 59..122 x 139..158, Cancel 127..189
  struct Case {
    int x, y, index;
  };
  const Case cases[] = {
      {59, 139, 0},   {122, 158, 0},  {90, 150, 0},  {58, 150, -1}, {123, 150, -1},
      {126, 150, -1}, {127, 150, 1},  {189, 158, 1}, {190, 150, -1}, {100, 138, -1},
      {100, 159, -1}, {0, 0, -1},     {-5, -5, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ButtonAt(b, c.x, c.y), c.index) << c.x << "," << c.y;
  }
}

TEST(DialogLayout, ReleaseClosesOnlyOnThePressedButton) {
  const auto b = OkCancel(249, 163);
  EXPECT_EQ(ReleaseResult(b, 0, 60, 140), 1);
  EXPECT_EQ(ReleaseResult(b, 1, 130, 140), 2);
  EXPECT_EQ(ReleaseResult(b, 0, 130, 140), std::nullopt) << "pressed OK, released on Cancel";
  EXPECT_EQ(ReleaseResult(b, -1, 60, 140), std::nullopt) << "pressed beside the buttons";
  EXPECT_EQ(ReleaseResult(b, 0, 10, 10), std::nullopt);
}

TEST(DialogLayout, EnterAndEscape) {
  const auto two = OkCancel(249, 163);
  std::vector<ButtonBox> one = {two[0]};
  EXPECT_EQ(KeyResult(one, 0, -1, kKeyEnter), 1);
  EXPECT_EQ(KeyResult(one, 0, -1, kKeyEscape), std::nullopt) << "OK only ignores Escape";
  EXPECT_EQ(KeyResult(two, 0, 1, kKeyEnter), 1);
  EXPECT_EQ(KeyResult(two, 0, 1, kKeyEscape), 2);
  EXPECT_EQ(KeyResult(two, 0, 1, 32), std::nullopt) << "space";
  EXPECT_EQ(KeyResult(two, 0, 1, 'O'), std::nullopt);
}

TEST(DialogLayout, ProgressFill) {
  struct Case {
    int width;
    int32_t position, range;
    int right;
  };
  const Case cases[] = {
      {336, 0, 100, 6},
      {336, 50, 100, 6 + 162},
      {336, 100, 100, 330},
      {336, 1, 3, 6 + 108},
      {336, 5, 0, 6},                          // range 0 fills nothing
      {336, 0, 0, 6},
      {336, -1, 100, 6},
      {336, 200, 100, 330},                    // beyond the range: full
      {336, INT32_MAX - 1, INT32_MAX, 6 + 323},  // 324 * (2^31 - 2) needs 64 bits
      {336, 1 << 30, INT32_MAX, 6 + 162},
      {10, 5, 10, 6},                          // no room for a bar
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressFillRight(c.width, c.position, c.range), c.right)
        << c.width << " " << c.position << "/" << c.range;
  }
}

TEST(DialogLayout, ThemeWords) {
  struct Case {
    const char16_t* name;
    const char16_t* word;
  };
  const Case cases[] = {
      {u"blue", u"blue"},   {u"BLUE", u"blue"},   {u"Blue", u"blue"},   {u"green", u"green"},
      {u"pink", u"pink"},   {u"RETRO", u"retro"}, {u"sTeEl", u"steel"}, {u"purple", u"green"},
      {u"", u"green"},      {u"blue ", u"green"}, {u"blu", u"green"},   {u"bluee", u"green"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ThemeWord(c.name), std::u16string_view(c.word));
  }
}

TEST(DialogLayout, CaptionColourAgainstTheBand) {
  EXPECT_TRUE(WantsLightCaption(0, 51, 153));     // blue
  EXPECT_FALSE(WantsLightCaption(193, 221, 48));  // green
  EXPECT_FALSE(WantsLightCaption(250, 194, 231));
  EXPECT_FALSE(WantsLightCaption(232, 211, 182));
  EXPECT_FALSE(WantsLightCaption(200, 210, 220));
}

}  // namespace
}  // namespace gwax
