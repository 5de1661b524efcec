// The system's high-contrast state and colours, and the palette the popup
// and the dialogs paint with.
#pragma once

#include <windows.h>

#include "notifier/popup/contrast_palette.h"

namespace qptn {

// Read now; the windows read it again as they open and when the system
// says its colours or settings changed.
SystemContrast ReadSystemContrast();

inline Palette SystemPalette() { return ChoosePalette(ReadSystemContrast()); }

inline COLORREF ToColorref(Rgb c) { return RGB(c.r, c.g, c.b); }

}  // namespace qptn
