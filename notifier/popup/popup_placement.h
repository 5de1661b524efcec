// Where the popup stands and how large it is: in the corner of the work area
// next to the taskbar, sized by its mode, scaled for the screen's DPI.
#pragma once

#include "notifier/popup/popup_geometry.h"

namespace qptn {

inline constexpr int kBaseDpi = 96;

// `value` * `dpi` / 96, rounded to the nearest integer with halves away from
// zero, as MulDiv rounds; -1 when that does not fit in an int. A DPI below 1
// counts as 96.
int ScaleForDpi(int value, int dpi);

// The popup paints in pixels of a 96-DPI screen and the window scales them.
// A device point in such pixels (rounded down, so it lands in the pixel
// that holds it), and a rectangle in such pixels as the device pixels that
// cover it (rounded outward, so nothing drawn in it is left out).
Point ToBasePixels(Point device, int dpi);
Rect ToDevicePixels(const Rect& base, int dpi);

// The taskbar is at the top when the work area does not start at 0; a
// taskbar at the left or right is treated like one at the bottom.
inline bool TaskbarAtTop(const Rect& workArea) { return workArea.top > 0; }

struct PopupShape {
  bool messageMode = false;
  bool expanded = false;
};

// 297 x 130 collapsed and 400 x 284 expanded, 60 higher in message mode
// (297 x 190, 400 x 344); at other DPIs scaled.
PixelSize PopupSize(PopupShape shape, int dpi);

// The window's rectangle in screen coordinates: 2 pixels (scaled) from the
// work area's right edge and from its taskbar side.
Rect PopupPlacement(const Rect& workArea, PopupShape shape, int dpi);

}  // namespace qptn
