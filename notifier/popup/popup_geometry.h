// Points, sizes and rectangles in pixels, with the window system's
// conventions: right and bottom lie outside, y grows downwards.
#pragma once

namespace qptn {

struct Point {
  int x = 0;
  int y = 0;
};

struct PixelSize {
  int width = 0;
  int height = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  // As the window system tests a point: the left and top edges belong to
  // the rectangle, the right and bottom edges do not.
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

inline Rect RectAt(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

}  // namespace qptn
