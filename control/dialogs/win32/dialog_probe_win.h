// Test helpers: finding a themed dialog that another thread shows, reading its pixels and
// asking it what screen readers ask.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "common/win32/accessible_win.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/gdi_win.h"
#include "common/win32/variant_win.h"

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

// The colour shown at (x, y) of `window`'s client area, read from the child
// window that covers the point if one does.
inline COLORREF PixelAt(HWND window, int x, int y) {
  POINT p{x, y};
  HWND shown = ChildWindowFromPointEx(window, p, CWP_SKIPINVISIBLE);
  if (shown && shown != window) {
    MapWindowPoints(window, shown, &p, 1);
  } else {
    shown = window;
  }
  qp::WindowDc dc(shown);
  return GetPixel(dc.Get(), p.x, p.y);
}

// "r,g,b", so that a failed comparison prints the colours.
inline std::string Rgb(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
         std::to_string(GetBValue(c));
}

// What `window`'s client area tells screen readers; empty when it can't
// be asked.
struct Facts {
  std::wstring name, description, action;
  LONG role = 0;
};

inline Facts AccessibleFactsOf(HWND window) {
  Facts facts;
  qp::ComPtr<IAccessible> object;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                        qp::kIidAccessible, object.PutVoid())) ||
      !object) {
    return facts;
  }
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  using Question = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
  auto text = [&](Question question) {
    qp::UniqueBstr answer;
    BSTR b = nullptr;
    const HRESULT hr = (object.Get()->*question)(self, &b);
    answer.Reset(b);
    return SUCCEEDED(hr) && answer ? std::wstring(answer.Get(), SysStringLen(answer.Get()))
                                   : std::wstring();
  };
  facts.name = text(&IAccessible::get_accName);
  facts.description = text(&IAccessible::get_accDescription);
  facts.action = text(&IAccessible::get_accDefaultAction);
  qp::UniqueVariant role;
  if (SUCCEEDED(object->get_accRole(self, role.Get())) && role.Get()->vt == VT_I4) {
    facts.role = role.Get()->lVal;
  }
  return facts;
}

}  // namespace gwax
