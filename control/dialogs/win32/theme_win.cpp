#include "control/dialogs/win32/theme_win.h"

#include "common/win32/wide_win.h"
#include "control/dialogs/dialog_layout.h"

namespace gwax {

qp::UniqueBitmap LoadThemeBitmap(HINSTANCE module, std::u16string_view prefix,
                                 std::u16string_view theme) {
  std::u16string name(prefix);
  name += theme;
  return qp::UniqueBitmap(LoadBitmapW(module, qp::Wide(name)));
}

COLORREF ThemeColour(HINSTANCE module, std::u16string_view theme) {
  qp::UniqueBitmap palette = LoadThemeBitmap(module, u"PAL_", ThemeWord(theme));
  if (!palette) palette = LoadThemeBitmap(module, u"PAL_", u"GREEN");
  COLORREF colour = RGB(193, 221, 48);
  if (palette) {
    qp::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (dc) {
      qp::ScopedSelection selected(dc.Get(), palette.Get());
      const COLORREF pixel = GetPixel(dc.Get(), 0, 0);
      if (pixel != CLR_INVALID) colour = pixel;
    }
  }
  return colour;
}

qp::UniqueFont ArialFont(int height, int weight) {
  return qp::UniqueFont(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
}

void FillWith(HDC dc, const RECT& rect, COLORREF colour) {
  qp::UniqueBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &rect, brush.Get());
}

void Frame(HDC dc, const RECT& rect) {
  FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

}  // namespace gwax
