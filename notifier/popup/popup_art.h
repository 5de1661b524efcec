// The popup's fixed parts: its bitmaps with their sizes, the commands of its
// buttons and links, the buttons as built, and its colours and texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "notifier/resources/resource.h"

namespace qptn {

struct BitmapSize {
  int width = 0;
  int height = 0;
};

// The sizes the bitmap resources are drawn at; id 0 (no bitmap) is 0 x 0.
constexpr BitmapSize PopupBitmapSize(int id) {
  switch (id) {
    case IDB_POPUP_FOOTER:
      return {254, 25};
    case IDB_POPUP_FOOTER_BAND:
    case IDB_POPUP_HEADER_BAND:
      return {10, 10};
    case IDB_POPUP_HEADER:
      return {10, 35};
    case IDB_POPUP_LOGO:
      return {80, 34};
    case IDB_POPUP_REPLY:
    case IDB_POPUP_REPLY_ALL:
    case IDB_POPUP_FORWARD:
      return {35, 25};
    case IDB_POPUP_DELETE:
    case IDB_POPUP_MARK_READ:
    case IDB_POPUP_MARK_SPAM:
      return {29, 25};
    case IDB_POPUP_ATTACHMENT:
      return {13, 15};
    case IDB_POPUP_PREVIOUS:
    case IDB_POPUP_NEXT:
      return {17, 25};
    case IDB_POPUP_CLOSE:
      return {16, 16};
    default:
      return {0, 0};
  }
}

// Codes of the buttons and links; also the ids of their tooltips.
enum PopupCommand : int {
  kPopupExpand = 10,
  kPopupLaunch = 11,
  kPopupReply = 12,
  kPopupReplyAll = 13,
  kPopupForward = 14,
  kPopupDelete = 15,
  kPopupOpen = 16,
  kPopupPrevious = 17,
  kPopupNext = 18,  // also the close button's
  kPopupLogo = 20,
  kPopupMarkRead = 21,
  kPopupMarkSpam = 22,
};

// The nine buttons in the order they are built.
enum PopupButtonIndex : size_t {
  kButtonReply,
  kButtonReplyAll,
  kButtonForward,
  kButtonDelete,
  kButtonMarkRead,
  kButtonMarkSpam,
  kButtonPrevious,
  kButtonNext,
  kButtonClose,
  kButtonCount
};

struct ButtonSpec {
  int command;
  int normalBitmap;  // 0: the footer strip shows the button while it is not hovered
  int hoverBitmap;
  const char16_t* tooltip;  // null: no tooltip
};

inline constexpr std::array<ButtonSpec, kButtonCount> kPopupButtons = {{
    {kPopupReply, 0, IDB_POPUP_REPLY, u"Reply"},
    {kPopupReplyAll, 0, IDB_POPUP_REPLY_ALL, u"Reply to All"},
    {kPopupForward, 0, IDB_POPUP_FORWARD, u"Forward"},
    {kPopupDelete, 0, IDB_POPUP_DELETE, u"Delete"},
    {kPopupMarkRead, 0, IDB_POPUP_MARK_READ, u"Mark Read"},
    {kPopupMarkSpam, 0, IDB_POPUP_MARK_SPAM, u"Mark Spam"},
    {kPopupPrevious, IDB_POPUP_PREVIOUS, IDB_POPUP_PREVIOUS, u"Previous Message"},
    {kPopupNext, IDB_POPUP_NEXT, IDB_POPUP_NEXT, u"Next Message"},
    {kPopupNext, IDB_POPUP_CLOSE, IDB_POPUP_CLOSE, nullptr},
}};

// The order in which a mouse move tests the buttons.
inline constexpr std::array<PopupButtonIndex, kButtonCount> kHoverOrder = {
    kButtonPrevious, kButtonReply,    kButtonReplyAll, kButtonForward, kButtonDelete,
    kButtonMarkRead, kButtonMarkSpam, kButtonNext,     kButtonClose};

// The footer buttons' offsets from the strip's left edge, by button index
// (Close sits in the header).
inline constexpr std::array<int, kButtonClose> kFooterOffsets = {3,   51,  99,  144,
                                                                 185, 223, -15, 254};

struct Rgb {
  uint8_t r, g, b;
};
// The frame's colours without high contrast.
inline constexpr Rgb kFramePen{160, 160, 134};
inline constexpr Rgb kFrameBrush{226, 226, 202};

// Blue is RGB(0, 0, 255), the links' colour; in high contrast both inks are
// the system's (contrast_palette.h).
enum class Ink { kBlack, kBlue };

// The fonts: Arial, cell height 14 (large 16), character set 50001.
inline constexpr int kPopupFontHeight = 14;
inline constexpr int kPopupLargeFontHeight = 16;
inline constexpr int kPopupFontCharset = 50001;

inline constexpr char16_t kPopupClassName[] = u"QPTNOTIFY";
inline constexpr char16_t kPopupWindowTitle[] = u"QPT Notice";

}  // namespace qptn
