#include "notifier/popup/popup_paint.h"

#include <string>

namespace qptn {
namespace {

constexpr int kMargin = 3;  // L and T; R = W - 3, B = H - 3
constexpr int kHeaderBottom = 41;
constexpr int kFooterHeight = 36;
constexpr int kBodyInsetX = 14;
constexpr int kBodyInsetY = 50;
constexpr int kLabelGap = 10;  // added to the label's width in the reserve

struct Frame {
  int W, H, L, T, R, B;
};

Rect BodyRect(const Frame& f) {
  return {f.L + kBodyInsetX, f.T + kBodyInsetY, f.R - kBodyInsetX, f.B - kBodyInsetY};
}

void Place(PopupButton& button, const ButtonSpec& spec, int x, int y) {
  const BitmapSize normal = PopupBitmapSize(spec.normalBitmap);
  const BitmapSize hover = PopupBitmapSize(spec.hoverBitmap);
  const int width = normal.width != 0 ? normal.width : hover.width;
  const int height = normal.height != 0 ? normal.height : hover.height;
  button.rect = RectAt(x, y, width, height);
}

void Draw(PopupCanvas& canvas, const PopupButton& button, const ButtonSpec& spec) {
  const int bitmap = button.hovered ? spec.hoverBitmap : spec.normalBitmap;
  if (bitmap != 0) canvas.DrawBitmap(bitmap, button.rect.left, button.rect.top);
}

Rect Measured(PopupCanvas& canvas, FontRole font, std::u16string_view text, int x, int y) {
  const TextSize size = canvas.Measure(font, text);
  return RectAt(x, y, size.width, size.height);
}

Rect Shifted(Rect r, int dx) { return {r.left + dx, r.top, r.right + dx, r.bottom}; }

class Painter {
 public:
  Painter(PopupCanvas& canvas, PopupWindowPort& window, const Frame& frame, const PaintState& state,
          PopupButtons& buttons)
      : canvas_(canvas), window_(window), f_(frame), state_(state), buttons_(buttons) {}

  void Header() {
    canvas_.FrameBox({f_.L, f_.T, f_.R, kHeaderBottom});
    canvas_.StretchFirstColumn(IDB_POPUP_HEADER, f_.L + 1, f_.T + 1, f_.R - f_.L - 2);
    canvas_.StretchFirstColumn(IDB_POPUP_HEADER_BAND, 1, kHeaderBottom, f_.W - 2);
    const int closeWidth = PopupBitmapSize(IDB_POPUP_CLOSE).width;
    Place(buttons_[kButtonClose], kPopupButtons[kButtonClose], f_.R - closeWidth - 4, f_.T + 4);
    DrawAndAdd(kButtonClose);
    if (!state_.hideLogo) {
      const BitmapSize logo = PopupBitmapSize(IDB_POPUP_LOGO);
      const int x = f_.R - closeWidth - logo.width - 5;
      canvas_.DrawBitmap(IDB_POPUP_LOGO, x, f_.T + 2);
      result_.hotAreas.push_back({RectAt(x, f_.T + 2, logo.width, logo.height), kPopupLogo});
    }
    const Rect title{f_.L + 14, f_.T, f_.R, f_.T + PopupBitmapSize(IDB_POPUP_HEADER).height};
    canvas_.PutText(title, PopupTitle(state_.messageMode),
                     {FontRole::kBold, Ink::kBlack, false, true});
  }

  void Summary() {
    const int band = PopupBitmapSize(IDB_POPUP_FOOTER_BAND).height;
    canvas_.StretchFirstColumn(IDB_POPUP_FOOTER_BAND, f_.L + 1, f_.B - band, f_.R - f_.L - 2);
    const int top = f_.T + PopupBitmapSize(IDB_POPUP_HEADER).height + 28;
    const std::u16string count = SummaryCount(state_.count);
    const std::u16string_view pieces[] = {kSummaryLead, count, kSummaryTail};
    Rect rects[3];
    int x = 0;
    for (int i = 0; i < 3; ++i) {
      rects[i] = Measured(canvas_, FontRole::kLarge, pieces[i], x, top);
      x = rects[i].right;
    }
    const int shift = (f_.W - x) / 2;
    for (int i = 0; i < 3; ++i) {
      canvas_.PutText(Shifted(rects[i], shift), pieces[i],
                       {FontRole::kLarge, i == 1 ? Ink::kBlue : Ink::kBlack});
    }
    Rect launch = Measured(canvas_, FontRole::kLink, kLaunchText, 0, top + 30);
    launch = Shifted(launch, (f_.W - launch.Width()) / 2);
    canvas_.PutText(launch, kLaunchText, {FontRole::kLink, Ink::kBlue});
    result_.hotAreas.push_back({launch, kPopupLaunch});
  }

  void FooterBox() {
    canvas_.FrameBox({f_.L, f_.B - kFooterHeight, f_.R, f_.B});
    const int band = PopupBitmapSize(IDB_POPUP_FOOTER_BAND).height;
    canvas_.StretchFirstColumn(IDB_POPUP_FOOTER_BAND, f_.L + 1, f_.B - band - kFooterHeight,
                               f_.R - f_.L - 2);
  }

  void FooterButtons() {
    const BitmapSize strip = PopupBitmapSize(IDB_POPUP_FOOTER);
    const int x0 = (f_.W - strip.width) / 2;
    const int y0 = (kFooterHeight - strip.height) / 2 + f_.B - kFooterHeight;
    canvas_.DrawBitmap(IDB_POPUP_FOOTER, x0, y0);
    for (size_t i = 0; i < kFooterOffsets.size(); ++i) {
      Place(buttons_[i], kPopupButtons[i], x0 + kFooterOffsets[i], y0);
    }
    window_.RemoveAllTooltips();
    if (state_.hasPrevious) DrawAndAdd(kButtonPrevious, true);
    for (size_t i = kButtonReply; i <= kButtonMarkSpam; ++i) {
      result_.hotAreas.push_back({buttons_[i].rect, kPopupButtons[i].command});
    }
    if (state_.hasNext) DrawAndAdd(kButtonNext, true);
    for (size_t i = kButtonReply; i <= kButtonMarkSpam; ++i) {
      Draw(canvas_, buttons_[i], kPopupButtons[i]);
      window_.AddTooltip(kPopupButtons[i].command, buttons_[i].rect, kPopupButtons[i].tooltip);
    }
  }

  void SideLines() {
    canvas_.FrameLine({f_.L, f_.T}, {f_.L, f_.B});
    canvas_.FrameLine({f_.R - 1, f_.T}, {f_.R - 1, f_.B});
  }

  // Lays out and draws the body; true when all of it fitted.
  bool Body();
  void Links(bool fitted);

  PaintResult Take() { return std::move(result_); }

 private:
  void DrawAndAdd(PopupButtonIndex index, bool tooltip = false) {
    const ButtonSpec& spec = kPopupButtons[index];
    result_.hotAreas.push_back({buttons_[index].rect, spec.command});
    Draw(canvas_, buttons_[index], spec);
    if (tooltip) window_.AddTooltip(spec.command, buttons_[index].rect, spec.tooltip);
  }

  PopupCanvas& canvas_;
  PopupWindowPort& window_;
  const Frame& f_;
  const PaintState& state_;
  PopupButtons& buttons_;
  PaintResult result_;
  std::vector<Rect> icons_;
};

bool Painter::Body() {
  const std::u16string_view label = state_.expanded ? kOpenText : kExpandOpenText;
  LayoutInput input;
  input.rect = BodyRect(f_);
  input.reserve = canvas_.Measure(FontRole::kLink, label).width + kLabelGap;
  input.iconWidth = PopupBitmapSize(IDB_POPUP_ATTACHMENT).width;
  input.honourNoWrap = !state_.expanded;
  static const RunList kNoBody;
  BodyLayout layout = LayOutBody((state_.body ? *state_.body : kNoBody).Runs(), canvas_, input);
  for (const PlacedWord& word : layout.words) {
    const Ink ink = word.font == FontRole::kLink ? Ink::kBlue : Ink::kBlack;
    canvas_.PutText(word.rect, word.text, {word.font, ink});
  }
  if (layout.ellipsis) canvas_.PutText(*layout.ellipsis, kEllipsis, {FontRole::kBody});
  result_.links = std::move(layout.links);
  icons_ = std::move(layout.icons);
  return layout.complete;
}

void Painter::Links(bool fitted) {
  const Rect body = BodyRect(f_);
  const bool withExpand = !fitted && !state_.expanded;
  const TextSize size = canvas_.Measure(FontRole::kLink, withExpand ? kExpandOpenText : kOpenText);
  int left = body.right - size.width;
  const int top = body.bottom - size.height;
  if (withExpand) {
    const Rect expand = Measured(canvas_, FontRole::kLink, kExpandText, left, top);
    canvas_.PutText(expand, kExpandText, {FontRole::kLink, Ink::kBlue, true});
    result_.hotAreas.push_back({expand, kPopupExpand});
    // The separator is not drawn, only skipped.
    left = expand.right + canvas_.Measure(FontRole::kNormal, u" ").width;
  }
  const Rect open = Measured(canvas_, FontRole::kLink, kOpenText, left, top);
  canvas_.PutText(open, kOpenText, {FontRole::kLink, Ink::kBlue, withExpand});
  result_.hotAreas.push_back({open, kPopupOpen});
  const int iconHeight = PopupBitmapSize(IDB_POPUP_ATTACHMENT).height;
  for (const Rect& icon : icons_) {
    canvas_.DrawBitmap(IDB_POPUP_ATTACHMENT, icon.left, icon.bottom - iconHeight);
  }
}

}  // namespace

std::u16string SummaryCount(unsigned count) {
  const std::string digits = std::to_string(count);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string PopupTitle(bool messageMode) {
  const std::u16string title = kTitleText;
  return messageMode ? title.substr(0, kMessageTitleLength) : title;
}

std::optional<PaintResult> PaintPopup(PopupCanvas& canvas, PopupWindowPort& window,
                                      PixelSize client, const PaintState& state,
                                      PopupButtons& buttons) {
  if (client.width == 0 || client.height == 0) return std::nullopt;
  const Frame f{client.width, client.height,          kMargin,
                kMargin,      client.width - kMargin, client.height - kMargin};
  Painter painter(canvas, window, f, state, buttons);
  canvas.FillBackground({0, 0, f.W, f.H});
  painter.Header();
  if (state.summaryMode) {
    painter.Summary();
  } else {
    painter.FooterBox();
  }
  if (state.messageMode) painter.FooterButtons();
  painter.SideLines();
  const bool fitted = painter.Body();
  if (state.messageMode) painter.Links(fitted);
  return painter.Take();
}

}  // namespace qptn
