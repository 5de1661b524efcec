// What the popup's model asks of its window and of the surface it paints on.
// The Win32 versions translate each call into one or two system calls.
#pragma once

#include <cstdint>
#include <string_view>

#include "notifier/popup/popup_art.h"
#include "notifier/popup/popup_geometry.h"
#include "notifier/popup/text_measurer.h"

namespace qptn {

// The popup's window, its timers, tooltips and the owner. Called on the
// window's thread only.
class PopupWindowPort {
 public:
  virtual ~PopupWindowPort() = default;
  virtual void SetTimer(unsigned id, unsigned milliseconds) = 0;
  virtual void KillTimer(unsigned id) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // The whole window's opacity, 0 transparent to 255 opaque.
  virtual void SetAlpha(uint8_t alpha) = 0;
  // Moves and sizes the window (screen coordinates), z-order unchanged.
  virtual void Move(const Rect& window) = 0;
  // The cursor's position in screen coordinates.
  virtual Point CursorPosition() = 0;
  // Asks for one notice when the mouse leaves the window.
  virtual void TrackMouseLeave() = 0;
  // Marks a part of the client area for the next paint, without erasing.
  virtual void Invalidate(const Rect& client) = 0;
  // Marks the whole client area without erasing and paints it at once.
  virtual void RepaintNow() = 0;
  // Tells the owner window, synchronously, that a showing has ended.
  virtual void NotifyOwnerClosed() = 0;
  // Opens an address or link text with the shell ("open").
  virtual void OpenLink(std::u16string_view target) = 0;
  // Readies the choice of a font for the scripts of this message text.
  virtual void PrepareFontLinking(std::u16string_view bodyText) = 0;
  virtual void RemoveAllTooltips() = 0;
  virtual void AddTooltip(int id, const Rect& rect, std::u16string_view text) = 0;
};

// How a text is put on the surface.
struct TextStyle {
  FontRole font = FontRole::kNormal;
  Ink ink = Ink::kBlack;
  bool opaque = false;             // on the background instead of transparent
  bool centredVertically = false;  // one line, centred in the rectangle's height
};

// The client area during one paint, in the colours of its palette
// (contrast_palette.h): the background, the frame and box colours, black
// ink as text and blue ink as links. Text is drawn clipped to its
// rectangle, "&" taken literally.
class PopupCanvas : public TextMeasurer {
 public:
  virtual void FillBackground(const Rect& rect) = 0;
  // A rectangle outlined in the frame colour and filled with the box colour.
  virtual void FrameBox(const Rect& rect) = 0;
  // A line in the frame colour, the end point left out.
  virtual void FrameLine(Point from, Point to) = 0;
  // The bitmap as it is, its top left corner at (x, y).
  virtual void DrawBitmap(int bitmap, int x, int y) = 0;
  // The bitmap's first column stretched to `width`, at the bitmap's height;
  // a backdrop the palette leaves out is that rectangle in the background.
  virtual void StretchFirstColumn(int bitmap, int x, int y, int width) = 0;
  virtual void PutText(const Rect& rect, std::u16string_view text, const TextStyle& style) = 0;
};

}  // namespace qptn
