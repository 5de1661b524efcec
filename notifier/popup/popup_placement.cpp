#include "notifier/popup/popup_placement.h"

#include <cstdint>
#include <cstdlib>

namespace qptn {
namespace {

constexpr int kCollapsedWidth = 297;
constexpr int kExpandedWidth = 400;
constexpr int kCollapsedHeight = 130;
constexpr int kExpandedHeight = 284;
constexpr int kMessageExtraHeight = 60;
constexpr int kEdgeGap = 2;

}  // namespace

int ScaleForDpi(int value, int dpi) {
  if (dpi < 1) dpi = kBaseDpi;
  const int64_t product = static_cast<int64_t>(value) * dpi;
  const int64_t magnitude = (std::llabs(product) + kBaseDpi / 2) / kBaseDpi;
  if (magnitude > INT32_MAX) return -1;  // as MulDiv answers an overflow
  return static_cast<int>(product < 0 ? -magnitude : magnitude);
}

PixelSize PopupSize(PopupShape shape, int dpi) {
  const int width = shape.expanded ? kExpandedWidth : kCollapsedWidth;
  int height = shape.expanded ? kExpandedHeight : kCollapsedHeight;
  if (shape.messageMode) height += kMessageExtraHeight;
  return {ScaleForDpi(width, dpi), ScaleForDpi(height, dpi)};
}

Rect PopupPlacement(const Rect& workArea, PopupShape shape, int dpi) {
  const PixelSize size = PopupSize(shape, dpi);
  const int gap = ScaleForDpi(kEdgeGap, dpi);
  const int x = workArea.right - size.width - gap;
  const int y = TaskbarAtTop(workArea) ? workArea.top + gap : workArea.bottom - size.height - gap;
  return RectAt(x, y, size.width, size.height);
}

}  // namespace qptn
