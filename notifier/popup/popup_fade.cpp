#include "notifier/popup/popup_fade.h"

namespace qptn {

void PopupFader::Show(const Rect& windowRect) {
  if (visible_) return;
  FadeInStart();
  if (!mouseInside_ && windowRect.Contains(window_.CursorPosition())) mouseOverAtShow_ = true;
}

void PopupFader::FadeInStart() {
  window_.KillTimer(kTimerFadeOut);
  window_.KillTimer(kTimerDisplay);
  window_.Show();
  visible_ = true;
  // The alpha stays: a popup that was fading out comes back from there.
  fadingOut_ = false;
  fadingIn_ = true;
  window_.SetTimer(kTimerFadeIn, kFadeStepMs);
}

void PopupFader::FadeOut() {
  fadingIn_ = false;
  fadingOut_ = true;
  window_.KillTimer(kTimerFadeIn);
  window_.KillTimer(kTimerDisplay);
  window_.SetTimer(kTimerFadeOut, kFadeStepMs);
}

void PopupFader::Close() {
  mouseInside_ = true;
  FadeOut();
}

void PopupFader::FastClose() {
  alpha_ = kFastCloseAlpha;
  FadeOut();
}

bool PopupFader::OnTimer(unsigned id) {
  // A timer's notice can still arrive after the timer was killed; such a
  // late step must not hide the popup again or send a second close notice.
  bool current = false;
  switch (id) {
    case kTimerFadeIn:
      current = fadingIn_;
      if (current) FadeInStep();
      break;
    case kTimerFadeOut:
      current = fadingOut_;
      if (current) FadeOutStep();
      break;
    case kTimerDisplay:
      current = visible_ && !fadingIn_ && !fadingOut_;
      if (current) DisplayOver();
      break;
    default:
      return false;
  }
  if (!current) window_.KillTimer(id);
  return true;
}

void PopupFader::FadeInStep() {
  if (alpha_ <= 255 - kAlphaStep) {
    alpha_ += kAlphaStep;
  } else {
    alpha_ = 255;
    window_.KillTimer(kTimerFadeIn);
    window_.SetTimer(kTimerDisplay, displayMs_);
    fadingIn_ = false;
  }
  window_.SetAlpha(alpha_);
}

void PopupFader::FadeOutStep() {
  if (alpha_ >= kAlphaStep) {
    alpha_ -= kAlphaStep;
  } else {
    alpha_ = 0;
    window_.KillTimer(kTimerFadeOut);
    window_.Hide();
    visible_ = false;
    fadingOut_ = false;
    if (onHidden_) onHidden_();
    window_.NotifyOwnerClosed();
  }
  window_.SetAlpha(alpha_);
}

void PopupFader::DisplayOver() {
  window_.KillTimer(kTimerDisplay);
  // Otherwise the popup stays until the mouse leaves it.
  if (!mouseInside_ && !mouseOverAtShow_) FadeOut();
}

void PopupFader::OnMouseMove() {
  if (!mouseInside_) {
    window_.TrackMouseLeave();
    if (fadingOut_) FadeInStart();
  }
  mouseInside_ = true;
  mouseOverAtShow_ = false;
}

void PopupFader::OnMouseLeave() {
  mouseInside_ = false;
  if (visible_ && !fadingIn_) FadeOut();
}

}  // namespace qptn
