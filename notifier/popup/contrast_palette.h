// The colours the popup and the notifier's dialogs paint with. Normally
// their own; in the system's high-contrast mode the system's, with no
// artwork behind texts, so that the user's scheme decides every contrast.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "notifier/popup/popup_art.h"

namespace qptn {

// The system colours high contrast paints with.
struct SystemColours {
  Rgb window;      // COLOR_WINDOW
  Rgb windowText;  // COLOR_WINDOWTEXT
  Rgb hotLight;    // COLOR_HOTLIGHT
};

struct SystemContrast {
  bool highContrast = false;
  SystemColours colours{};
};

struct Palette {
  bool highContrast = false;
  Rgb background;     // the popup's and the dialogs' ground, behind controls and opaque text
  Rgb text;           // plain text
  Rgb heading;        // titles, the version and the dialogs' headings
  Rgb link;           // link texts (and the popup's summary count, drawn like them)
  Rgb errorText;      // the account dialog's sign-in error
  Rgb frame;          // outlines and lines of the popup and the dialogs
  Rgb boxFill;        // inside the popup's header and footer boxes
  Rgb gridLine;       // the settings dialog's account list
  Rgb titleRowFill;   // the list's title row
  Rgb shadedRowFill;  // every second account row
  bool drawsBackdrops = true;  // the header and band artwork behind texts
};

Palette ChoosePalette(const SystemContrast& system);

// Whether a bitmap is drawn; a backdrop that is not gives its place to the
// background colour.
bool DrawsBitmap(const Palette& palette, int bitmap);

// The flags of the system's high-contrast setting (HIGHCONTRAST.dwFlags).
inline constexpr uint32_t kHighContrastOn = 0x1;         // HCF_HIGHCONTRASTON
inline constexpr uint32_t kHighContrastAvailable = 0x2;  // HCF_AVAILABLE

// Whether high contrast is on: as the system's query answers, or, where the
// query says the feature is not available (Wine 8 answers 0 and cannot
// switch it), as the flags the system keeps in the user's profile say.
bool HighContrastOn(uint32_t queried, std::optional<uint32_t> stored);

// The stored flags: a decimal number as the profile keeps it ("127"); none
// for anything else.
std::optional<uint32_t> StoredContrastFlags(std::u16string_view text);

}  // namespace qptn
