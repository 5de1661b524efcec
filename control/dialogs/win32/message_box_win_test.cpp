// The themed message box for real: built from this program's copy of the
// control's resources, driven with the messages a user's input makes, read
// back from the window's pixels and asked what screen readers ask.
#include "control/dialogs/win32/message_box_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/win32/accessible_win.h"
#include "common/win32/com_init_win.h"
#include "control/dialogs/dialog_layout.h"
#include "control/dialogs/win32/dialog_probe_win.h"

namespace gwax {
namespace {

// The box and its buttons paint on the box's thread, each window in its own
// time: once the box's black frame and the first button's light grey
// corner are there, the picture is complete.
bool WaitUntilPainted(HWND window, POINT firstButton) {
  for (int i = 0; i < 300; ++i) {
    if (PixelAt(window, 0, 0) == RGB(0, 0, 0) &&
        PixelAt(window, firstButton.x, firstButton.y) == RGB(245, 245, 245)) {
      return true;
    }
    Sleep(50);
  }
  return false;
}

// A message box on a thread of its own, as a modal run would block; the
// thread has COM, as the page's thread that shows the control's boxes has,
// and goes on serving its apartment after the box (a screen reader may
// still let go of what it asked for).
class BoxRun {
 public:
  BoxRun(int buttons, const char16_t* theme)
      : cancelWidth_(ThemeWord(theme) == u"blue" ? 62 : 63),
        quit_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        thread_([this, buttons, theme] {
          qp::ComInitialization com;
          result_ = ShowThemedMessage(nullptr, u"The file 'a.txt' already exists. Press OK to overwrite the existing file.",
                                      u"Warning", buttons, theme);
          closed_ = true;
          while (MsgWaitForMultipleObjects(1, &quit_, FALSE, 15000, QS_ALLINPUT) ==
                 WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
          }
        }) {
    window_ = FindDialog();
    if (window_) boxThread_ = GetWindowThreadProcessId(window_, nullptr);
  }
  ~BoxRun() {
    Finish();
    CloseHandle(quit_);
  }
  HWND window() const { return window_; }
  // The box's result once it closed by itself; 0 when it still showed after
  // 15 s (it is then closed with Enter released on it).
  int Finish() {
    if (!thread_.joinable()) return done_;
    for (int i = 0; i < 300 && !closed_; ++i) Sleep(50);
    done_ = closed_ ? result_ : 0;
    if (!closed_ && window_) PostMessageW(window_, WM_KEYUP, kKeyEnter, 0);
    SetEvent(quit_);
    thread_.join();
    return done_;
  }
  // Key released while the box itself has the focus.
  void KeyOnBox(unsigned key) { SendMessageW(window_, WM_KEYUP, key, 0); }
  // What the keyboard delivers: a press and release of `key` to the window
  // with the focus, through the modal loop's dialog manager.
  void Press(WPARAM key) {
    HWND target = Focus() ? Focus() : window_;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  }
  HWND Focus() const { return ThreadInfo().hwndFocus; }
  // Waits until the control with `id` has the focus.
  bool FocusReaches(int id) const {
    for (int i = 0; i < 300; ++i) {
      if (Focus() && GetDlgCtrlID(Focus()) == id) return true;
      Sleep(50);
    }
    return false;
  }
  // What the mouse delivers: a press to the window under the point, a
  // release to the window that captured the mouse (or else under the point).
  void Down(POINT p) { Mouse(WM_LBUTTONDOWN, MK_LBUTTON, WindowAt(p), p); }
  void Up(POINT p) {
    HWND capture = ThreadInfo().hwndCapture;
    Mouse(WM_LBUTTONUP, 0, capture ? capture : WindowAt(p), p);
  }
  // Middle of button `index` as the box lays them out (63 x 19 bitmaps,
  // blue's Cancel 62 x 19).
  POINT ButtonCentre(int count, int index) const {
    const ButtonBox b = Box(count, index);
    return POINT{b.left + 31, b.top + 9};
  }
  ButtonBox Box(int count, int index) const {
    RECT r;
    GetWindowRect(window_, &r);
    std::vector<ButtonBox> boxes(static_cast<size_t>(count), ButtonBox{0, 0, 63, 19, 0});
    if (count == 2) boxes[1].width = cancelWidth_;
    LayoutButtons(r.right - r.left, r.bottom - r.top, boxes);
    return boxes[static_cast<size_t>(index)];
  }

 private:
  GUITHREADINFO ThreadInfo() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(boxThread_, &info);
    return info;
  }
  HWND WindowAt(POINT p) const {
    HWND child = ChildWindowFromPointEx(window_, p, CWP_SKIPINVISIBLE);
    return child ? child : window_;
  }
  void Mouse(UINT message, WPARAM keys, HWND target, POINT p) {
    MapWindowPoints(window_, target, &p, 1);
    SendMessageW(target, message, keys, MAKELPARAM(p.x, p.y));
  }

  int cancelWidth_;
  HANDLE quit_;
  std::atomic<bool> closed_{false};
  int result_ = 0;
  int done_ = 0;
  HWND window_ = nullptr;
  DWORD boxThread_ = 0;
  std::thread thread_;
};

TEST(ThemedMessageBox, ButtonsAreChildWindowsWhereTheLayoutPutsThem) {
  for (int buttons : {0, 1}) {
    BoxRun box(buttons, u"steel");
    ASSERT_NE(box.window(), nullptr);
    const int count = buttons == 1 ? 2 : 1;
    const wchar_t* texts[] = {L"OK", L"Cancel"};
    for (int i = 0; i < 2; ++i) {
      HWND button = GetDlgItem(box.window(), i + 1);
      if (i >= count) {
        EXPECT_EQ(button, nullptr) << "a box with only OK has no Cancel";
        continue;
      }
      ASSERT_NE(button, nullptr) << i;
      wchar_t cls[32] = {}, text[32] = {};
      GetClassNameW(button, cls, 32);
      GetWindowTextW(button, text, 32);
      EXPECT_STREQ(cls, L"Button");
      EXPECT_STREQ(text, texts[i]);
      const LONG style = GetWindowLongW(button, GWL_STYLE);
      EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW) << i;
      EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_TABSTOP);
      RECT r;
      GetWindowRect(button, &r);
      MapWindowPoints(nullptr, box.window(), reinterpret_cast<POINT*>(&r), 2);
      const ButtonBox b = box.Box(count, i);
      EXPECT_EQ(r.left, b.left) << i;
      EXPECT_EQ(r.top, b.top) << i;
      EXPECT_EQ(r.right - r.left, b.width) << i;
      EXPECT_EQ(r.bottom - r.top, b.height) << i;
    }
    EXPECT_TRUE(box.FocusReaches(IDOK)) << "OK has the focus first";
    box.Press(VK_RETURN);
    EXPECT_EQ(box.Finish(), 1);
  }
}

TEST(ThemedMessageBox, KeyboardAlone) {
  constexpr int kEnds = 0;  // the key closes the box
  struct Step {
    WPARAM key;
    int focusAfter;
  };
  struct Case {
    const char* what;
    int buttons;
    std::vector<Step> steps;
    int result;
  };
  const Case cases[] = {
      {"Enter on OK", 1, {{VK_RETURN, kEnds}}, 1},
      {"Tab to Cancel, Enter", 1, {{VK_TAB, IDCANCEL}, {VK_RETURN, kEnds}}, 2},
      {"Tab twice comes back to OK",
       1,
       {{VK_TAB, IDCANCEL}, {VK_TAB, IDOK}, {VK_RETURN, kEnds}},
       1},
      {"Space on OK", 1, {{VK_SPACE, kEnds}}, 1},
      {"Tab to Cancel, Space", 1, {{VK_TAB, IDCANCEL}, {VK_SPACE, kEnds}}, 2},
      {"Escape is Cancel", 1, {{VK_ESCAPE, kEnds}}, 2},
      {"Escape is Cancel wherever the focus", 1, {{VK_TAB, IDCANCEL}, {VK_ESCAPE, kEnds}}, 2},
      {"OK only: Escape leaves it open", 0, {{VK_ESCAPE, IDOK}, {VK_RETURN, kEnds}}, 1},
      {"OK only: Tab stays on OK", 0, {{VK_TAB, IDOK}, {VK_SPACE, kEnds}}, 1},
  };
  for (const auto& c : cases) {
    BoxRun box(c.buttons, u"green");
    ASSERT_NE(box.window(), nullptr) << c.what;
    ASSERT_TRUE(box.FocusReaches(IDOK)) << c.what << ": OK has the focus first";
    for (const auto& step : c.steps) {
      box.Press(step.key);
      if (step.focusAfter != kEnds) {
        EXPECT_TRUE(box.FocusReaches(step.focusAfter)) << c.what;
        EXPECT_TRUE(IsWindow(box.window())) << c.what;
      }
    }
    EXPECT_EQ(box.Finish(), c.result) << c.what;
  }
}

TEST(ThemedMessageBox, KeyReleasedOnTheBoxItself) {
  {
    BoxRun box(0, u"green");
    ASSERT_NE(box.window(), nullptr);
    box.KeyOnBox(kKeyEscape);  // a box with only OK ignores Escape
    box.KeyOnBox(kKeyEnter);
    EXPECT_EQ(box.Finish(), 1);
  }
  BoxRun box(1, u"pink");
  ASSERT_NE(box.window(), nullptr);
  box.KeyOnBox(kKeyEscape);
  EXPECT_EQ(box.Finish(), 2);
}

TEST(ThemedMessageBox, MouseMustGoDownAndUpOnTheSameButton) {
  BoxRun box(1, u"retro");
  ASSERT_NE(box.window(), nullptr);
  box.Down(box.ButtonCentre(2, 0));
  box.Up(box.ButtonCentre(2, 1));  // pressed OK, released on Cancel: nothing
  box.Down(POINT{2, 2});
  box.Up(box.ButtonCentre(2, 0));  // pressed beside: nothing
  EXPECT_TRUE(IsWindow(box.window()));
  box.Down(box.ButtonCentre(2, 1));
  box.Up(box.ButtonCentre(2, 1));
  EXPECT_EQ(box.Finish(), 2);
}

// How many pixels of row 3 of button `id`, where the focus indication runs,
// stand out from the face: apart from it by more than 150 in the sum of the
// channels. Row 3 of every theme's bitmap is plain face colour.
int StandingOut(HWND box, int id) {
  HWND button = GetDlgItem(box, id);
  RECT r;
  GetClientRect(button, &r);
  qp::WindowDc dc(button);
  const COLORREF face = GetPixel(dc.Get(), r.right / 2, 2);
  int count = 0;
  for (int x = 3; x < r.right - 3; ++x) {
    const COLORREF c = GetPixel(dc.Get(), x, 3);
    const int apart = std::abs(GetRValue(c) - GetRValue(face)) +
                      std::abs(GetGValue(c) - GetGValue(face)) +
                      std::abs(GetBValue(c) - GetBValue(face));
    if (apart > 150) ++count;
  }
  return count;
}

// StandingOut once the button has been repainted to what `wanted` accepts,
// within 5 s (the box's thread paints in its own time); the last count
// otherwise.
template <typename Wanted>
int SettledStandingOut(HWND box, int id, Wanted wanted) {
  int count = StandingOut(box, id);
  for (int i = 0; i < 100 && !wanted(count); ++i) {
    Sleep(50);
    count = StandingOut(box, id);
  }
  return count;
}

bool Dotted(int count) { return count >= 20; }
bool Plain(int count) { return count == 0; }

TEST(ThemedMessageBox, FocusIndicationShowsOnEveryTheme) {
  for (const char16_t* theme : {u"blue", u"green", u"pink", u"retro", u"steel"}) {
    const std::string label(theme, theme + std::char_traits<char16_t>::length(theme));
    BoxRun box(1, theme);
    ASSERT_NE(box.window(), nullptr) << label;
    ASSERT_TRUE(box.FocusReaches(IDOK)) << label;
    const POINT ok = box.ButtonCentre(2, 0);
    ASSERT_TRUE(WaitUntilPainted(box.window(), POINT{ok.x - 31, ok.y - 9})) << label;
    // A dotted line: every other pixel of the 57 along the row.
    EXPECT_GE(SettledStandingOut(box.window(), IDOK, Dotted), 20) << label << ": OK";
    EXPECT_EQ(StandingOut(box.window(), IDCANCEL), 0) << label << ": Cancel";
    box.Press(VK_TAB);
    ASSERT_TRUE(box.FocusReaches(IDCANCEL)) << label;
    EXPECT_EQ(SettledStandingOut(box.window(), IDOK, Plain), 0) << label << ": OK after Tab";
    EXPECT_GE(SettledStandingOut(box.window(), IDCANCEL, Dotted), 20)
        << label << ": Cancel after Tab";
    box.Press(VK_ESCAPE);
    EXPECT_EQ(box.Finish(), 2) << label;
  }
}

TEST(ThemedMessageBox, ScreenReadersReadTheBoxAndItsButtons) {
  qp::ComInitialization com;
  BoxRun box(1, u"blue");
  ASSERT_NE(box.window(), nullptr);
  const Facts dialog = AccessibleFactsOf(box.window());
  EXPECT_EQ(dialog.name, L"Warning");
  EXPECT_EQ(dialog.description,
            L"The file 'a.txt' already exists. Press OK to overwrite the existing file.");
  EXPECT_EQ(dialog.role, ROLE_SYSTEM_DIALOG);
  const std::pair<int, const wchar_t*> buttons[] = {{IDOK, L"OK"}, {IDCANCEL, L"Cancel"}};
  for (const auto& [id, name] : buttons) {
    const Facts button = AccessibleFactsOf(GetDlgItem(box.window(), id));
    EXPECT_EQ(button.name, name);
    EXPECT_EQ(button.role, ROLE_SYSTEM_PUSHBUTTON) << id;
    EXPECT_EQ(button.action, L"Press") << id;
  }
  // The box's element lists its buttons, as it lists every child window.
  IAccessible* client = nullptr;
  ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(box.window(), static_cast<DWORD>(OBJID_CLIENT),
                                                   qp::kIidAccessible,
                                                   reinterpret_cast<void**>(&client))));
  VARIANT children[4];
  LONG got = 0;
  EXPECT_TRUE(SUCCEEDED(AccessibleChildren(client, 0, 4, children, &got)));
  std::vector<HWND> windows;
  for (LONG i = 0; i < got; ++i) {
    HWND child = nullptr;
    if (children[i].vt == VT_DISPATCH && children[i].pdispVal) {
      IAccessible* element = nullptr;
      if (SUCCEEDED(children[i].pdispVal->QueryInterface(qp::kIidAccessible,
                                                          reinterpret_cast<void**>(&element)))) {
        WindowFromAccessibleObject(element, &child);
        element->Release();
      }
    }
    windows.push_back(child);
    VariantClear(&children[i]);
  }
  client->Release();
  EXPECT_EQ(windows, (std::vector<HWND>{GetDlgItem(box.window(), IDOK),
                                        GetDlgItem(box.window(), IDCANCEL)}));
  // The default action presses the button.
  IAccessible* cancel = nullptr;
  ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(
      GetDlgItem(box.window(), IDCANCEL), static_cast<DWORD>(OBJID_CLIENT), qp::kIidAccessible,
      reinterpret_cast<void**>(&cancel))));
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  EXPECT_EQ(cancel->accDoDefaultAction(self), S_OK);
  cancel->Release();
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
    box.KeyOnBox(kKeyEscape);
    EXPECT_EQ(box.Finish(), 2);
  }
}

}  // namespace
}  // namespace gwax
