#include "notifier/popup/body_layout.h"

#include <algorithm>

namespace qptn {
namespace {

FontRole FontFor(RunKind kind) {
  switch (kind) {
    case RunKind::kBold:
      return FontRole::kBold;
    case RunKind::kLink:
      return FontRole::kLink;
    default:
      return FontRole::kBody;
  }
}

bool IsWord(RunKind kind) {
  return kind == RunKind::kPlain || kind == RunKind::kBold || kind == RunKind::kLink;
}

// The walk over the runs: the cursor is the rectangle of the run being placed.
class Walk {
 public:
  Walk(TextMeasurer& measurer, const LayoutInput& in) : measurer_(measurer), in_(in) {
    lineHeight_ = std::max(1, measurer.LineHeight(FontRole::kBody));
    // A rectangle lower than one line still gets one line, and that line is
    // the last one.
    maxLines_ = std::max(1, in.rect.Height() / lineHeight_);
    space_ = measurer.Measure(FontRole::kBody, u" ").width;
    // One dot, not the three of the ellipsis: with the reserve this is what
    // the last line gives up.
    lastLineLimit_ = in.rect.right - in.reserve - measurer.Measure(FontRole::kBody, u".").width;
    limit_ = maxLines_ == 1 ? lastLineLimit_ : in.rect.right;
    cursor_ = {in.rect.left, in.rect.top, in.rect.left, in.rect.top + lineHeight_};
  }

  // False when the run did not fit: the layout ends there.
  bool Place(const TextRun& run, BodyLayout& out) {
    Size(run);
    if (in_.honourNoWrap && run.noWrap) {
      Cut();
    } else if (run.kind == RunKind::kLineBreak || cursor_.right > limit_) {
      if (line_ >= maxLines_) return false;
      // A word that already starts at the left edge is cut, not moved.
      if (run.kind == RunKind::kLineBreak || cursor_.left > in_.rect.left) NextLine();
      Cut();
    }
    if (run.kind == RunKind::kIcon) {
      out.icons.push_back(cursor_);
      cursor_.left = cursor_.right;
    } else if (IsWord(run.kind)) {
      if (run.kind == RunKind::kLink) out.links.push_back({std::u16string(run.text), cursor_});
      out.words.push_back({run.text, FontFor(run.kind), cursor_});
      cursor_.left = cursor_.right + space_;
    }
    return true;
  }

  Rect Ellipsis() {
    const int width = measurer_.Measure(FontRole::kBody, kEllipsis).width;
    return {cursor_.left, cursor_.top, cursor_.left + width, cursor_.top + lineHeight_};
  }

 private:
  void Size(const TextRun& run) {
    if (run.kind == RunKind::kIcon) {
      cursor_.right = cursor_.left + in_.iconWidth;
    } else if (IsWord(run.kind)) {
      const TextSize size = measurer_.Measure(FontFor(run.kind), run.text);
      cursor_.right = cursor_.left + size.width;
      cursor_.bottom = cursor_.top + size.height;
    } else {
      cursor_.right = cursor_.left;
    }
  }

  void NextLine() {
    const int width = cursor_.Width();
    cursor_.left = in_.rect.left;
    cursor_.right = cursor_.left + width;
    cursor_.top += lineHeight_;
    cursor_.bottom += lineHeight_;
    if (++line_ == maxLines_) limit_ = lastLineLimit_;
  }

  // Never past the limit, and never inverted: a run that starts beyond the
  // limit gets an empty rectangle.
  void Cut() { cursor_.right = std::max(cursor_.left, std::min(cursor_.right, limit_)); }

  TextMeasurer& measurer_;
  const LayoutInput& in_;
  int lineHeight_ = 1;
  int maxLines_ = 1;
  int space_ = 0;
  int lastLineLimit_ = 0;
  int limit_ = 0;
  int line_ = 1;
  Rect cursor_;
};

}  // namespace

BodyLayout LayOutBody(const std::vector<TextRun>& runs, TextMeasurer& measurer,
                      const LayoutInput& input) {
  BodyLayout out;
  Walk walk(measurer, input);
  for (const TextRun& run : runs) {
    if (!walk.Place(run, out)) {
      out.ellipsis = walk.Ellipsis();
      out.complete = false;
      break;
    }
  }
  return out;
}

}  // namespace qptn
