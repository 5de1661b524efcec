#include "notifier/popup/popup_fade.h"

#include <gtest/gtest.h>

#include <string>

#include "notifier/popup/popup_test_fakes.h"

namespace qptn {
namespace {

using testing::CallLog;
using testing::Calls;
using testing::FakeWindow;

class PopupFadeTest : public ::testing::Test {
 protected:
  // Runs `id` until `stop` shows in the log (at most 50 times); returns how
  // often it ran.
  int RunTimerUntil(unsigned id, const std::string& stop) {
    for (int n = 1; n <= 50; ++n) {
      fader.OnTimer(id);
      for (const std::string& call : log.calls) {
        if (call == stop) return n;
      }
    }
    return -1;
  }
  void ShowFully() {
    fader.Show(kWindow);
    RunTimerUntil(kTimerFadeIn, "set 4 4000");
    log.Take();
  }

  const Rect kWindow{725, 546, 1022, 736};
  CallLog log;
  FakeWindow window{log};
  int hidden = 0;
  PopupFader fader{window, [this] { log.calls.push_back("hidden " + std::to_string(++hidden)); }};
};

TEST_F(PopupFadeTest, AnUntouchedPopupFadesInStaysAndFadesOutOnce) {
  fader.Show(kWindow);
  EXPECT_EQ(log.Take(), (Calls{"kill 3", "kill 4", "show", "set 2 75"}));
  EXPECT_TRUE(fader.FadingIn());
  Calls in;
  for (int a = 24; a <= 240; a += 24) in.push_back("alpha " + std::to_string(a));
  in.insert(in.end(), {"kill 2", "set 4 4000", "alpha 255"});
  EXPECT_EQ(RunTimerUntil(kTimerFadeIn, "alpha 255"), 11);  // 11 x 75 ms = 825 ms
  EXPECT_EQ(log.Take(), in);
  EXPECT_FALSE(fader.FadingIn());

  fader.OnTimer(kTimerDisplay);
  EXPECT_EQ(log.Take(), (Calls{"kill 4", "kill 2", "kill 4", "set 3 75"}));
  Calls out;
  for (int a = 231; a >= 15; a -= 24) out.push_back("alpha " + std::to_string(a));
  out.insert(out.end(), {"kill 3", "hide", "hidden 1", "notify", "alpha 0"});
  EXPECT_EQ(RunTimerUntil(kTimerFadeOut, "notify"), 11);
  EXPECT_EQ(log.Take(), out);
  EXPECT_FALSE(fader.Visible());
  EXPECT_FALSE(fader.FadingOut());
}

TEST_F(PopupFadeTest, LateNoticesOfKilledTimersChangeNothing) {
  // A WM_TIMER already queued when its timer was killed still arrives.
  ShowFully();
  fader.OnTimer(kTimerFadeIn);
  EXPECT_EQ(log.Take(), Calls{"kill 2"});
  fader.FastClose();
  fader.OnTimer(kTimerDisplay);
  RunTimerUntil(kTimerFadeOut, "notify");
  log.Take();
  for (unsigned id : {kTimerFadeOut, kTimerDisplay, kTimerFadeIn}) {
    EXPECT_TRUE(fader.OnTimer(id));
    EXPECT_EQ(log.Take(), Calls{"kill " + std::to_string(id)}) << "timer " << id;
  }
  EXPECT_EQ(hidden, 1);
}

TEST_F(PopupFadeTest, TheDisplayTimeComesFromTheSetting) {
  fader.SetDisplayTime(9000);
  fader.Show(kWindow);
  EXPECT_EQ(RunTimerUntil(kTimerFadeIn, "set 4 9000"), 11);
}

TEST_F(PopupFadeTest, ShowingAVisiblePopupDoesNothing) {
  ShowFully();
  fader.Show(kWindow);
  EXPECT_EQ(log.Take(), Calls{});
}

TEST_F(PopupFadeTest, ACursorOnThePopupAtShowHoldsItUntilTheMouseMovesAndLeaves) {
  window.cursor = {725, 735};  // the rectangle's inner corner
  ShowFully();
  EXPECT_TRUE(fader.MouseOverAtShow());
  fader.OnTimer(kTimerDisplay);
  EXPECT_EQ(log.Take(), Calls{"kill 4"});
  fader.OnMouseMove();
  EXPECT_EQ(log.Take(), Calls{"track"});
  fader.OnMouseMove();
  EXPECT_EQ(log.Take(), Calls{});
  fader.OnMouseLeave();
  EXPECT_EQ(log.Take(), (Calls{"kill 2", "kill 4", "set 3 75"}));
}

TEST_F(PopupFadeTest, ACursorJustOutsideDoesNotHold) {
  for (Point p : {Point{1022, 600}, Point{800, 736}, Point{724, 600}, Point{800, 545}}) {
    PopupFader f(window, nullptr);
    window.cursor = p;
    f.Show(kWindow);
    EXPECT_FALSE(f.MouseOverAtShow()) << p.x << "," << p.y;
  }
}

TEST_F(PopupFadeTest, TheMouseOnAFadingOutPopupFadesItBackIn) {
  ShowFully();
  fader.OnTimer(kTimerDisplay);
  fader.OnTimer(kTimerFadeOut);
  fader.OnTimer(kTimerFadeOut);  // alpha 207
  log.Take();
  fader.OnMouseMove();
  EXPECT_EQ(log.Take(), (Calls{"track", "kill 3", "kill 4", "show", "set 2 75"}));
  EXPECT_EQ(RunTimerUntil(kTimerFadeIn, "set 4 4000"), 3);
  EXPECT_EQ(log.Take(), (Calls{"alpha 231", "alpha 255", "kill 2", "set 4 4000", "alpha 255"}))
      << "from where it was";
  // It stays while the mouse is on it, and goes when the mouse leaves.
  fader.OnTimer(kTimerDisplay);
  EXPECT_EQ(log.Take(), Calls{"kill 4"});
  fader.OnMouseLeave();
  EXPECT_EQ(log.Take(), (Calls{"kill 2", "kill 4", "set 3 75"}));
}

TEST_F(PopupFadeTest, LeavingWhileFadingInLeavesItToTheDisplayTime) {
  fader.Show(kWindow);
  fader.OnTimer(kTimerFadeIn);
  fader.OnMouseMove();
  fader.OnMouseLeave();
  log.Take();
  EXPECT_EQ(RunTimerUntil(kTimerFadeIn, "alpha 255"), 10);
  EXPECT_FALSE(fader.FadingOut());
  log.Take();
  fader.OnTimer(kTimerDisplay);
  EXPECT_EQ(log.Take(), (Calls{"kill 4", "kill 2", "kill 4", "set 3 75"}));
}

TEST_F(PopupFadeTest, AFastCloseTakesFourSteps) {
  ShowFully();
  fader.FastClose();
  EXPECT_EQ(log.Take(), (Calls{"kill 2", "kill 4", "set 3 75"}));
  EXPECT_EQ(RunTimerUntil(kTimerFadeOut, "notify"), 4);
  EXPECT_EQ(log.Take(), (Calls{"alpha 48", "alpha 24", "alpha 0", "kill 3", "hide", "hidden 1",
                               "notify", "alpha 0"}));
}

TEST_F(PopupFadeTest, AfterACloseTheMouseNoLongerBringsItBack) {
  ShowFully();
  fader.OnMouseLeave();  // fading out
  fader.OnMouseMove();   // back
  log.Take();
  fader.Close();
  fader.OnTimer(kTimerFadeOut);
  fader.OnMouseMove();
  EXPECT_EQ(log.Take(), (Calls{"kill 2", "kill 4", "set 3 75", "alpha 231"}));
  EXPECT_TRUE(fader.FadingOut());
}

TEST_F(PopupFadeTest, TheNextShowingFadesInFromNothing) {
  ShowFully();
  fader.FastClose();
  RunTimerUntil(kTimerFadeOut, "notify");
  log.Take();
  fader.Show(kWindow);
  fader.OnTimer(kTimerFadeIn);
  EXPECT_EQ(log.Take(), (Calls{"kill 3", "kill 4", "show", "set 2 75", "alpha 24"}));
}

TEST_F(PopupFadeTest, OtherTimersAreNotTheFadersBusiness) {
  EXPECT_FALSE(fader.OnTimer(kTimerDeleteResult));
  EXPECT_FALSE(fader.OnTimer(1));
  EXPECT_EQ(log.Take(), Calls{});
}

}  // namespace
}  // namespace qptn
