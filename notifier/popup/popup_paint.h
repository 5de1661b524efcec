// One paint of the popup: frame, header, title, the summary line or the
// footer buttons, the body and its "expand" and "open" links. It places the
// buttons and returns what the paint made clickable, in drawing order.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "notifier/popup/body_layout.h"
#include "notifier/popup/popup_art.h"
#include "notifier/popup/popup_ports.h"
#include "notifier/popup/text_runs.h"

namespace qptn {

inline constexpr char16_t kTitleText[] = u"New Messages";
inline constexpr size_t kMessageTitleLength = 11;  // "New Message"
inline constexpr char16_t kSummaryLead[] = u"You have ";
inline constexpr char16_t kSummaryTail[] = u" new messages.";
inline constexpr char16_t kLaunchText[] = u"Launch Quillpost";
inline constexpr char16_t kExpandText[] = u"expand";
inline constexpr char16_t kOpenText[] = u"open";
inline constexpr char16_t kExpandOpenText[] = u"expand | open";

struct PopupButton {
  Rect rect;  // where the last paint placed it
  bool hovered = false;
};
using PopupButtons = std::array<PopupButton, kButtonCount>;

struct HotArea {
  Rect rect;
  int command = 0;
};

struct PaintState {
  bool messageMode = false;
  bool summaryMode = false;
  bool expanded = false;
  bool hideLogo = false;
  bool hasPrevious = false;
  bool hasNext = false;
  unsigned count = 0;
  const RunList* body = nullptr;
};

struct PaintResult {
  std::vector<HotArea> hotAreas;  // in drawing order; a click takes the first that holds it
  std::vector<BodyLink> links;    // of the body, tested before the hot areas
};

// The summary's count as drawn, in decimal.
std::u16string SummaryCount(unsigned count);

// The title as drawn: "New Message" in message mode, else "New Messages".
std::u16string PopupTitle(bool messageMode);

// Paints a client area of `client` size; in message mode the tooltips are
// rebuilt to match. Nothing is painted, and nothing returned, when either
// side is 0.
std::optional<PaintResult> PaintPopup(PopupCanvas& canvas, PopupWindowPort& window,
                                      PixelSize client, const PaintState& state,
                                      PopupButtons& buttons);

}  // namespace qptn
