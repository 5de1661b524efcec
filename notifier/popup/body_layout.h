// Where the words of the popup's body go inside a rectangle: wrapping,
// no-wrap runs, the line limit with the room kept for the popup's own links
// on the last line, and the "..." when the body does not fit. The layout
// only places; the painter draws what it returns.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notifier/popup/popup_geometry.h"
#include "notifier/popup/text_measurer.h"
#include "notifier/popup/text_runs.h"

namespace qptn {

inline constexpr char16_t kEllipsis[] = u"...";

struct LayoutInput {
  Rect rect;
  int reserve = 0;    // kept free at the end of the last line, besides one dot
  int iconWidth = 0;  // the advance of an attachment icon
  bool honourNoWrap = false;
};

// A word to draw: its text in its font, clipped to `rect`. Links are blue,
// other words black.
struct PlacedWord {
  std::u16string_view text;
  FontRole font = FontRole::kBody;
  Rect rect;
};

struct BodyLink {
  std::u16string target;
  Rect rect;
};

struct BodyLayout {
  std::vector<PlacedWord> words;  // in run order
  std::vector<BodyLink> links;    // in run order; clicks test them in this order
  std::vector<Rect> icons;        // the attachment icons' rectangles
  // Where "..." goes, in the body font, black, when not every run fitted.
  std::optional<Rect> ellipsis;
  bool complete = true;  // every run was placed
};

// The views in the result point into the runs' texts.
BodyLayout LayOutBody(const std::vector<TextRun>& runs, TextMeasurer& measurer,
                      const LayoutInput& input);

}  // namespace qptn
