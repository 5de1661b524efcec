// The page's theme as the dialogs draw it: theme bitmaps and colour, fonts and fills.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/win32/gdi_win.h"

namespace gwax {

// The bitmap resource `prefix` + `theme` ("OK_" + "blue"); resource names
// match without regard to letter case. Null when there is none.
qp::UniqueBitmap LoadThemeBitmap(HINSTANCE module, std::u16string_view prefix,
                                 std::u16string_view theme);

// The theme colour: the top-left pixel of "PAL_" + theme, or of PAL_GREEN.
COLORREF ThemeColour(HINSTANCE module, std::u16string_view theme);

// "Arial" in the default character set.
qp::UniqueFont ArialFont(int height, int weight);

void FillWith(HDC dc, const RECT& rect, COLORREF colour);

// A black frame one pixel wide, without fill.
void Frame(HDC dc, const RECT& rect);

}  // namespace gwax
