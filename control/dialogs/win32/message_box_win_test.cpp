// The themed message box for real: built from this program's copy of the
// control's resources, driven with the messages a user's input makes and
// read back from the window's pixels.
#include "control/dialogs/win32/message_box_win.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "control/dialogs/dialog_layout.h"
#include "control/dialogs/win32/dialog_probe_win.h"

namespace gwax {
namespace {

// The box paints on its own thread, its buttons last: once the first
// button's light grey corner is there, the picture is complete.
bool WaitUntilPainted(HWND window, POINT firstButton) {
  for (int i = 0; i < 300; ++i) {
    if (PixelAt(window, firstButton.x, firstButton.y) == RGB(245, 245, 245)) return true;
    Sleep(50);
  }
  return false;
}

// A message box on a thread of its own, as a modal run would block.
class BoxRun {
 public:
  BoxRun(int buttons, const char16_t* theme)
      : cancelWidth_(ThemeWord(theme) == u"blue" ? 62 : 63),
        thread_([this, buttons, theme] {
          result_ = ShowThemedMessage(nullptr, u"The file 'a.txt' already exists. Press OK to overwrite the existing file.",
                                      u"Warning", buttons, theme);
        }) {
    window_ = FindDialog();
  }
  ~BoxRun() {
    if (thread_.joinable()) {
      if (window_ && IsWindow(window_)) PostMessageW(window_, WM_KEYUP, kKeyEnter, 0);
      thread_.join();
    }
  }
  HWND window() const { return window_; }
  int Finish() {
    thread_.join();
    return result_;
  }
  void Key(unsigned key) { SendMessageW(window_, WM_KEYUP, key, 0); }
  void Down(POINT p) { SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
  void Up(POINT p) { SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y)); }
  // Middle of button `index` as the box lays them out (63 x 19 bitmaps,
  // blue's Cancel 62 x 19).
  POINT ButtonCentre(int count, int index) const {
    RECT r;
    GetWindowRect(window_, &r);
    std::vector<ButtonBox> boxes(static_cast<size_t>(count), ButtonBox{0, 0, 63, 19, 0});
    if (count == 2) boxes[1].width = cancelWidth_;
    LayoutButtons(r.right - r.left, r.bottom - r.top, boxes);
    return POINT{boxes[index].left + 31, boxes[index].top + 9};
  }

 private:
  int cancelWidth_;
  int result_ = 0;
  HWND window_ = nullptr;
  std::thread thread_;
};

TEST(ThemedMessageBox, OkOnlyIgnoresEscape) {
  BoxRun box(0, u"green");
  ASSERT_NE(box.window(), nullptr);
  box.Key(kKeyEscape);
  box.Key(kKeyEnter);
  EXPECT_EQ(box.Finish(), 1);
}

TEST(ThemedMessageBox, EscapeCancels) {
  BoxRun box(1, u"pink");
  ASSERT_NE(box.window(), nullptr);
  box.Key(kKeyEscape);
  EXPECT_EQ(box.Finish(), 2);
}

TEST(ThemedMessageBox, MouseMustGoDownAndUpOnTheSameButton) {
  BoxRun box(1, u"retro");
  ASSERT_NE(box.window(), nullptr);
  box.Down(box.ButtonCentre(2, 0));
  box.Up(box.ButtonCentre(2, 1));  // pressed OK, released on Cancel: nothing
  box.Down(POINT{2, 2});
  box.Up(box.ButtonCentre(2, 0));  // pressed beside: nothing
  box.Down(box.ButtonCentre(2, 1));
  box.Up(box.ButtonCentre(2, 1));
  EXPECT_EQ(box.Finish(), 2);
}

TEST(ThemedMessageBox, ThemeColoursAndButtons) {
  struct Case {
    const char16_t* theme;
    COLORREF band;
    bool darkFace;  // every face but retro's beige is dark under white letters
  };
  const Case cases[] = {
      {u"BLUE", RGB(0, 51, 153), true},          {u"green", RGB(193, 221, 48), true},
      {u"Pink", RGB(250, 194, 231), true},       {u"retro", RGB(232, 211, 182), false},
      {u"steel", RGB(200, 210, 220), true},      {u"purple", RGB(193, 221, 48), true},
  };
  for (const auto& c : cases) {
    BoxRun box(1, c.theme);
    ASSERT_NE(box.window(), nullptr);
    const std::string label(c.theme, c.theme + std::char_traits<char16_t>::length(c.theme));
    const POINT ok = box.ButtonCentre(2, 0);
    ASSERT_TRUE(WaitUntilPainted(box.window(), POINT{ok.x - 31, ok.y - 9})) << label << ": not drawn";
    EXPECT_EQ(Rgb(PixelAt(box.window(), 0, 0)), Rgb(RGB(0, 0, 0))) << label << ": frame";
    EXPECT_EQ(Rgb(PixelAt(box.window(), 3, 3)), Rgb(c.band)) << label;
    RECT client;
    GetClientRect(box.window(), &client);
    EXPECT_EQ(Rgb(PixelAt(box.window(), 3, client.bottom - 30)), Rgb(c.band)) << label << ": line";
    EXPECT_EQ(Rgb(PixelAt(box.window(), 3, 40)), Rgb(RGB(255, 255, 255))) << label;
    // Left edge of the OK face, clear of its letters: the face colour.
    const COLORREF face = PixelAt(box.window(), ok.x - 24, ok.y);
    const int brightness = GetRValue(face) + GetGValue(face) + GetBValue(face);
    EXPECT_EQ(brightness < 600, c.darkFace) << label << " face " << Rgb(face);
    box.Key(kKeyEscape);
    EXPECT_EQ(box.Finish(), 2);
  }
}

}  // namespace
}  // namespace gwax
