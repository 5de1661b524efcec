// Test helpers: finding a themed dialog that another thread shows, and reading its pixels.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/gdi_win.h"

namespace gwax {

// The visible dialog titled "Quillpost"; null when none shows within 15 s.
inline HWND FindDialog() {
  for (int i = 0; i < 300; ++i) {
    HWND w = FindWindowW(L"#32770", L"Quillpost");
    if (w && IsWindowVisible(w)) return w;
    Sleep(50);
  }
  return nullptr;
}

inline COLORREF PixelAt(HWND window, int x, int y) {
  qp::WindowDc dc(window);
  return GetPixel(dc.Get(), x, y);
}

// "r,g,b", so that a failed comparison prints the colours.
inline std::string Rgb(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
         std::to_string(GetBValue(c));
}

}  // namespace gwax
