#include "notifier/popup/win32/popup_gdi_win.h"

#include "common/win32/wide_win.h"
#include "notifier/popup/popup_art.h"
#include "notifier/popup/popup_placement.h"
#include "notifier/popup/win32/contrast_win.h"
#include "notifier/popup/win32/font_link_win.h"

namespace qptn {

namespace {

RECT ToRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

// Every bitmap of the popup, by resource id.
constexpr int kPopupBitmapIds[] = {
    IDB_POPUP_FOOTER,    IDB_POPUP_FOOTER_BAND, IDB_POPUP_HEADER_BAND, IDB_POPUP_HEADER,
    IDB_POPUP_LOGO,      IDB_POPUP_REPLY,       IDB_POPUP_REPLY_ALL,   IDB_POPUP_FORWARD,
    IDB_POPUP_DELETE,    IDB_POPUP_ATTACHMENT,  IDB_POPUP_PREVIOUS,    IDB_POPUP_NEXT,
    IDB_POPUP_CLOSE,     IDB_POPUP_MARK_READ,   IDB_POPUP_MARK_SPAM};

}  // namespace

bool PopupFonts::Create(int dpi) {
  struct Spec {
    int height;
    int weight;
    bool underline;
  };
  const Spec specs[] = {{kPopupFontHeight, FW_NORMAL, false},
                        {kPopupFontHeight, FW_BOLD, false},
                        {kPopupFontHeight, FW_NORMAL, true},
                        {kPopupLargeFontHeight, FW_BOLD, false}};
  for (size_t i = 0; i < fonts_.size(); ++i) {
    // A negative height would ask for the character height; the cell
    // height is what the layout counts with.
    fonts_[i].Reset(CreateFontW(ScaleForDpi(specs[i].height, dpi), 0, 0, 0, specs[i].weight, FALSE,
                                specs[i].underline, FALSE, kPopupFontCharset, 0, 0, 0, 0,
                                L"Arial"));
    if (!fonts_[i]) return false;
  }
  return true;
}

HFONT PopupFonts::Get(FontRole role) const {
  switch (role) {
    case FontRole::kBold:
      return fonts_[1].Get();
    case FontRole::kLink:
      return fonts_[2].Get();
    case FontRole::kLarge:
      return fonts_[3].Get();
    default:
      return fonts_[0].Get();
  }
}

void PopupBitmaps::Load(HINSTANCE module) {
  for (int id : kPopupBitmapIds) Load(module, {id});
}

void PopupBitmaps::Load(HINSTANCE module, std::initializer_list<int> ids) {
  qp::WindowDc screen(nullptr);
  for (int id : ids) {
    PopupBitmap& b = bitmaps_[id];
    b.bitmap.Reset(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
    if (!b.bitmap) continue;
    b.dc.Reset(CreateCompatibleDC(screen.Get()));
    if (!b.dc) continue;
    b.previous = SelectObject(b.dc.Get(), b.bitmap.Get());
    BITMAP info{};
    if (GetObjectW(b.bitmap.Get(), sizeof info, &info)) {
      b.width = info.bmWidth;
      b.height = info.bmHeight;
    }
  }
}

const PopupBitmap* PopupBitmaps::Find(int id) const {
  auto it = bitmaps_.find(id);
  return it != bitmaps_.end() && it->second.dc ? &it->second : nullptr;
}

GdiCanvas::GdiCanvas(HDC dc, const Palette& palette, const PopupFonts& fonts, HFONT bodyFont,
                     const PopupBitmaps& bitmaps, FontLink* link)
    : dc_(dc),
      palette_(palette),
      fonts_(fonts),
      body_(bodyFont),
      bitmaps_(bitmaps),
      link_(link),
      pen_(CreatePen(PS_SOLID, 1, ToColorref(palette.frame))),
      brush_(CreateSolidBrush(ToColorref(palette.boxFill))),
      previousFont_(GetCurrentObject(dc, OBJ_FONT)) {}

GdiCanvas::~GdiCanvas() { SelectObject(dc_, previousFont_); }

HFONT GdiCanvas::Font(FontRole role, std::u16string_view text) const {
  if (role != FontRole::kBody || !link_) return Font(role);
  return link_->ForWord(dc_, body_, text);
}

TextSize MeasureLine(HDC dc, std::u16string_view text) {
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, qp::Wide(text.data()), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  return {r.right - r.left, r.bottom - r.top};
}

TextSize GdiCanvas::Measure(FontRole font, std::u16string_view text) {
  SelectObject(dc_, Font(font, text));
  return MeasureLine(dc_, text);
}

int GdiCanvas::LineHeight(FontRole font) {
  SelectObject(dc_, Font(font));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc_, &metrics);
  return metrics.tmHeight + metrics.tmExternalLeading;
}

void GdiCanvas::Fill(const RECT& rect) {
  const COLORREF previous = SetBkColor(dc_, ToColorref(palette_.background));
  ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &rect, L"", 0, nullptr);
  SetBkColor(dc_, previous);
}

void GdiCanvas::FillBackground(const Rect& rect) { Fill(ToRect(rect)); }

void GdiCanvas::FrameBox(const Rect& rect) {
  qp::ScopedSelection pen(dc_, pen_.Get());
  qp::ScopedSelection brush(dc_, brush_.Get());
  Rectangle(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

void GdiCanvas::FrameLine(Point from, Point to) {
  qp::ScopedSelection pen(dc_, pen_.Get());
  MoveToEx(dc_, from.x, from.y, nullptr);
  LineTo(dc_, to.x, to.y);
}

void GdiCanvas::DrawBitmap(int bitmap, int x, int y) {
  if (const PopupBitmap* b = bitmaps_.Find(bitmap)) {
    BitBlt(dc_, x, y, b->width, b->height, b->dc.Get(), 0, 0, SRCCOPY);
  }
}

void GdiCanvas::StretchFirstColumn(int bitmap, int x, int y, int width) {
  const PopupBitmap* b = bitmaps_.Find(bitmap);
  if (!b) return;
  if (DrawsBitmap(palette_, bitmap)) {
    StretchBlt(dc_, x, y, width, b->height, b->dc.Get(), 0, 0, 1, b->height, SRCCOPY);
  } else {
    Fill({x, y, x + width, y + b->height});
  }
}

void GdiCanvas::PutText(const Rect& rect, std::u16string_view text, const TextStyle& style) {
  SelectObject(dc_, Font(style.font, text));
  SetTextColor(dc_, ToColorref(style.ink == Ink::kBlue ? palette_.link : palette_.text));
  SetBkMode(dc_, style.opaque ? OPAQUE : TRANSPARENT);
  SetBkColor(dc_, ToColorref(palette_.background));
  RECT r = ToRect(rect);
  UINT format = DT_NOPREFIX;
  if (style.centredVertically) format |= DT_SINGLELINE | DT_VCENTER;
  ::DrawTextW(dc_, qp::Wide(text.data()), static_cast<int>(text.size()), &r, format);
}

}  // namespace qptn
