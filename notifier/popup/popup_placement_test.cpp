#include "notifier/popup/popup_placement.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "notifier/popup/popup_test_fakes.h"

namespace qptn {
namespace {

using testing::Show;

TEST(PopupPlacement, CornerOfTheWorkArea) {
  struct Case {
    const char* name;
    Rect workArea;
    PopupShape shape;
    Rect expected;
  };
  const Rect bottomBar{0, 0, 1024, 738};
  const Case cases[] = {
      {"message", bottomBar, {true, false}, {725, 546, 1022, 736}},
      {"message expanded", bottomBar, {true, true}, {622, 392, 1022, 736}},
      {"summary", bottomBar, {false, false}, {725, 606, 1022, 736}},
      {"summary expanded", bottomBar, {false, true}, {622, 452, 1022, 736}},
      // Taskbar at the top: 2 below it, whatever the height.
      {"top bar, message", {0, 30, 1024, 768}, {true, false}, {725, 32, 1022, 222}},
      {"top bar, expanded", {0, 30, 1024, 768}, {true, true}, {622, 32, 1022, 376}},
      {"top bar, summary", {0, 30, 1024, 768}, {false, false}, {725, 32, 1022, 162}},
      // At the left or the right: like a bottom bar, the right edge from the work area.
      {"left bar", {60, 0, 1024, 768}, {true, false}, {725, 576, 1022, 766}},
      {"right bar", {0, 0, 964, 768}, {true, false}, {665, 576, 962, 766}},
      {"second screen left of the first", {-1280, 0, 0, 984}, {true, false}, {-299, 792, -2, 982}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(PopupPlacement(c.workArea, c.shape, kBaseDpi)), Show(c.expected)) << c.name;
  }
}

TEST(PopupPlacement, ScaledForTheDpi) {
  struct Case {
    int dpi;
    Rect expected;
  };
  // Message mode, collapsed, on (0, 0, 1920, 1040).
  const Case cases[] = {
      {96, {1621, 848, 1918, 1038}},
      {120, {1546, 799, 1917, 1037}},  // 371 x 238 (237.5 rounds up), gap 3 (2.5 rounds up)
      {144, {1471, 752, 1917, 1037}},  // 446 x 285, gap 3
      {192, {1322, 656, 1916, 1036}},  // 594 x 380, gap 4
      {0, {1621, 848, 1918, 1038}},    // unknown: 96
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(PopupPlacement({0, 0, 1920, 1040}, {true, false}, c.dpi)), Show(c.expected))
        << c.dpi;
  }
}

TEST(PopupPixels, DeviceAndBasePixels) {
  struct PointCase {
    Point device;
    int dpi;
    Point base;
  };
  const PointCase points[] = {
      {{283, 168}, 96, {283, 168}},  // at 96 DPI nothing changes
      {{424, 252}, 144, {282, 168}},  // 282.67: the pixel that holds it
      {{425, 253}, 144, {283, 168}},
      {{0, 0}, 144, {0, 0}},
      {{-1, -2}, 144, {-1, -2}},  // outside to the left stays outside
      {{300, 300}, 0, {300, 300}},  // unknown DPI: 96
      {{INT_MAX, INT_MIN}, 48, {INT_MAX, INT_MIN}},  // clamped, not wrapped
  };
  for (const PointCase& c : points) {
    const Point p = ToBasePixels(c.device, c.dpi);
    EXPECT_EQ(p.x, c.base.x) << c.device.x << " at " << c.dpi;
    EXPECT_EQ(p.y, c.base.y) << c.device.y << " at " << c.dpi;
  }
  struct RectCase {
    Rect base;
    int dpi;
    Rect device;
  };
  const RectCase rects[] = {
      {{275, 156, 292, 181}, 96, {275, 156, 292, 181}},
      {{275, 156, 292, 181}, 144, {412, 234, 438, 272}},  // 412.5 down, 271.5 up
      {{3, 3, 294, 187}, 120, {3, 3, 368, 234}},          // 3.75 down, 367.5 up
      {{-3, -1, 1, 1}, 144, {-5, -2, 2, 2}},
  };
  for (const RectCase& c : rects) {
    EXPECT_EQ(Show(ToDevicePixels(c.base, c.dpi)), Show(c.device)) << c.dpi;
  }
}

TEST(ScaleForDpi, RoundsAsMulDiv) {
  struct Case {
    int value, dpi, expected;
  };
  const Case cases[] = {
      {297, 96, 297},     {297, 120, 371},
      {190, 120, 238},    {2, 120, 3},
      {1, 144, 2},        {1, 143, 1},
      {-3, 144, -5},      {-1, 120, -1},
      {0, 192, 0},        {7, -5, 7},
      {7, 0, 7},          {INT_MAX, 96, INT_MAX},
      {INT_MAX, 192, -1}, {INT_MIN + 1, 96, INT_MIN + 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
  }
}

}  // namespace
}  // namespace qptn
