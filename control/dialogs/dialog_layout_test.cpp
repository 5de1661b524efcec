#include "control/dialogs/dialog_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace gwax {
namespace {

// The ids of the OK and Cancel buttons, as the dialog manager sends them.
constexpr unsigned kOkId = 1;
constexpr unsigned kCancelId = 2;

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

TEST(DialogLayout, WhatClosesTheBox) {
  const auto two = OkCancel(249, 163);
  const std::vector<ButtonBox> one = {two[0]};
  constexpr int kNone = -1;
  // A key released on the box itself (Enter button 0, Escape button 1 when
  // there is one), or a command from a button or the dialog manager.
  struct Case {
    bool withCancel;
    bool isKey;
    unsigned keyOrId;
    int result;
  };
  const Case cases[] = {
      {false, true, kKeyEnter, 1},   {false, true, kKeyEscape, kNone},
      {true, true, kKeyEnter, 1},    {true, true, kKeyEscape, 2},
      {true, true, 32, kNone},       {true, true, 'O', kNone},
      {false, false, kOkId, 1},      {false, false, kCancelId, kNone},
      {true, false, kOkId, 1},       {true, false, kCancelId, 2},
      {true, false, 0, kNone},       {true, false, 3, kNone},
  };
  for (const auto& c : cases) {
    const auto& buttons = c.withCancel ? two : one;
    const std::optional<int> got =
        c.isKey ? KeyResult(buttons, 0, c.withCancel ? 1 : -1, c.keyOrId)
                : CommandResult(buttons, static_cast<int>(c.keyOrId));
    EXPECT_EQ(got.value_or(kNone), c.result)
        << (c.withCancel ? "OK and Cancel, " : "OK only, ") << (c.isKey ? "key " : "command ")
        << c.keyOrId;
  }
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
