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

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

int Clamp(int64_t v) {
  return static_cast<int>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

}  // namespace

Point ToBasePixels(Point device, int dpi) {
  if (dpi < 1) dpi = kBaseDpi;
  return {Clamp(FloorDiv(int64_t{device.x} * kBaseDpi, dpi)),
          Clamp(FloorDiv(int64_t{device.y} * kBaseDpi, dpi))};
}

Rect ToDevicePixels(const Rect& base, int dpi) {
  if (dpi < 1) dpi = kBaseDpi;
  auto down = [dpi](int v) { return Clamp(FloorDiv(int64_t{v} * dpi, kBaseDpi)); };
  auto up = [dpi](int v) { return Clamp(-FloorDiv(-int64_t{v} * dpi, kBaseDpi)); };
  return {down(base.left), down(base.top), up(base.right), up(base.bottom)};
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
