// The popup's fonts and bitmaps, and the surface one paint draws on.
#pragma once

#include <windows.h>

#include <array>
#include <initializer_list>
#include <map>

#include "common/win32/gdi_win.h"
#include "notifier/popup/contrast_palette.h"
#include "notifier/popup/popup_ports.h"

namespace qptn {

// The four Arial fonts; the body font of a paint is chosen separately.
class PopupFonts {
 public:
  // `dpi` scales the cell heights (96 keeps 14 and 16 pixels).
  bool Create(int dpi);
  HFONT Get(FontRole role) const;  // kBody gives the normal font

 private:
  std::array<qp::UniqueFont, 4> fonts_;  // normal, bold, link, large
};

// A bitmap of the program's resources selected into a memory surface of
// its own, ready to be copied.
struct PopupBitmap {
  qp::UniqueBitmap bitmap;
  qp::UniqueMemoryDc dc;
  HGDIOBJ previous = nullptr;
  int width = 0;
  int height = 0;

  PopupBitmap() = default;
  PopupBitmap(const PopupBitmap&) = delete;
  PopupBitmap& operator=(const PopupBitmap&) = delete;
  ~PopupBitmap() {
    if (dc && previous) SelectObject(dc.Get(), previous);
  }
};

class PopupBitmaps {
 public:
  // Loads every bitmap the popup draws, or those of `ids`; an id that
  // cannot be loaded draws nothing.
  void Load(HINSTANCE module);
  void Load(HINSTANCE module, std::initializer_list<int> ids);
  const PopupBitmap* Find(int id) const;

 private:
  std::map<int, PopupBitmap> bitmaps_;
};

class FontLink;

// The size of `text` on one line in the font selected into `dc`, prefix
// characters ("&") taken literally.
TextSize MeasureLine(HDC dc, std::u16string_view text);

// One paint's surface, in `palette`'s colours. Text goes through DrawTextW
// without prefix processing; the body font is the one chosen for this
// paint, and with `link` a plain word that font has no glyphs for gets a
// linked font.
class GdiCanvas final : public PopupCanvas {
 public:
  GdiCanvas(HDC dc, const Palette& palette, const PopupFonts& fonts, HFONT bodyFont,
            const PopupBitmaps& bitmaps, FontLink* link = nullptr);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  TextSize Measure(FontRole font, std::u16string_view text) override;
  int LineHeight(FontRole font) override;
  void FillBackground(const Rect& rect) override;
  void FrameBox(const Rect& rect) override;
  void FrameLine(Point from, Point to) override;
  void DrawBitmap(int bitmap, int x, int y) override;
  void StretchFirstColumn(int bitmap, int x, int y, int width) override;
  void PutText(const Rect& rect, std::u16string_view text, const TextStyle& style) override;

 private:
  HFONT Font(FontRole role) const { return role == FontRole::kBody ? body_ : fonts_.Get(role); }
  HFONT Font(FontRole role, std::u16string_view text) const;

  void Fill(const RECT& rect);

  HDC dc_;
  const Palette& palette_;
  const PopupFonts& fonts_;
  HFONT body_;
  const PopupBitmaps& bitmaps_;
  FontLink* link_;
  qp::UniquePen pen_;
  qp::UniqueBrush brush_;
  HGDIOBJ previousFont_;
};

}  // namespace qptn
