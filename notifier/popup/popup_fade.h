// The popup's showing over time: the fade in, the display time, the hold
// while the mouse rests on it, the fade out and the notice to the owner. All
// driven by the window's timers and mouse notices; nothing here waits.
#pragma once

#include <cstdint>
#include <functional>

#include "notifier/popup/popup_geometry.h"
#include "notifier/popup/popup_ports.h"

namespace qptn {

enum PopupTimer : unsigned {
  kTimerFadeIn = 2,
  kTimerFadeOut = 3,
  kTimerDisplay = 4,
  kTimerDeleteResult = 5,  // the popup model's, see NoticeModel
};

inline constexpr unsigned kFadeStepMs = 75;
inline constexpr uint8_t kAlphaStep = 24;
inline constexpr uint8_t kFastCloseAlpha = 72;  // four steps to hidden
inline constexpr unsigned kDefaultDisplayMs = 4000;

class PopupFader {
 public:
  // `onHidden` runs when a fade-out has hidden the window, before the owner
  // is told.
  PopupFader(PopupWindowPort& window, std::function<void()> onHidden)
      : window_(window), onHidden_(std::move(onHidden)) {}

  void SetDisplayTime(unsigned milliseconds) { displayMs_ = milliseconds; }
  unsigned DisplayTime() const { return displayMs_; }

  // Shows the window at `windowRect` (screen) unless it is visible: fades
  // in from the current alpha, and notes whether the cursor already lies
  // on the popup.
  void Show(const Rect& windowRect);
  void FadeOut();
  // After an action: mouse moves over the fading popup no longer bring it back.
  void Close();
  // Previous, Next and Close: a shorter fade-out.
  void FastClose();

  // False for a timer that is not one of the fade's.
  bool OnTimer(unsigned id);
  // The mouse moved over the popup / left it.
  void OnMouseMove();
  void OnMouseLeave();

  uint8_t Alpha() const { return alpha_; }
  bool Visible() const { return visible_; }
  bool FadingIn() const { return fadingIn_; }
  bool FadingOut() const { return fadingOut_; }
  bool MouseInside() const { return mouseInside_; }
  bool MouseOverAtShow() const { return mouseOverAtShow_; }

 private:
  void FadeInStart();
  void FadeInStep();
  void FadeOutStep();
  void DisplayOver();

  PopupWindowPort& window_;
  std::function<void()> onHidden_;
  unsigned displayMs_ = kDefaultDisplayMs;
  uint8_t alpha_ = 0;
  bool visible_ = false;
  bool fadingIn_ = false;
  bool fadingOut_ = false;
  bool mouseInside_ = false;
  bool mouseOverAtShow_ = false;
};

}  // namespace qptn
