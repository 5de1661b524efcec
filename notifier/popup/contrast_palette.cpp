#include "notifier/popup/contrast_palette.h"

namespace qptn {

namespace {

bool Same(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

Palette OwnPalette() {
  Palette p;
  p.background = {255, 255, 255};
  p.text = {0, 0, 0};
  p.heading = {0, 0, 0};
  p.link = {0, 0, 255};
  p.errorText = {255, 0, 0};
  p.frame = kFramePen;
  p.boxFill = kFrameBrush;
  p.gridLine = {180, 180, 180};
  p.titleRowFill = {221, 221, 221};
  p.shadedRowFill = {245, 245, 245};
  p.drawsBackdrops = true;
  return p;
}

}  // namespace

Palette ChoosePalette(const SystemContrast& system) {
  if (!system.highContrast) return OwnPalette();
  const SystemColours& c = system.colours;
  Palette p;
  p.highContrast = true;
  p.background = c.window;
  p.boxFill = c.window;
  p.titleRowFill = c.window;
  p.shadedRowFill = c.window;
  p.text = c.windowText;
  p.heading = c.windowText;
  p.frame = c.windowText;
  p.gridLine = c.windowText;
  // The scheme pairs only the window text with the window; red, or the
  // selection colour meant for its own ground, may vanish on it. Shown
  // only after a failed sign-in, the error needs no colour of its own.
  p.errorText = c.windowText;
  // A scheme whose hot-track colour is its window colour would hide links.
  p.link = Same(c.hotLight, c.window) ? c.windowText : c.hotLight;
  p.drawsBackdrops = false;
  return p;
}

bool DrawsBitmap(const Palette& palette, int bitmap) {
  switch (bitmap) {
    case IDB_POPUP_HEADER:
    case IDB_POPUP_HEADER_BAND:
    case IDB_POPUP_FOOTER_BAND:
      return palette.drawsBackdrops;
    default:
      return true;
  }
}

bool HighContrastOn(uint32_t queried, std::optional<uint32_t> stored) {
  if (queried & kHighContrastAvailable) return (queried & kHighContrastOn) != 0;
  return stored && (*stored & kHighContrastOn) != 0;
}

std::optional<uint32_t> StoredContrastFlags(std::u16string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  uint32_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - u'0');
  }
  return value;
}

}  // namespace qptn
