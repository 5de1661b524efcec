// A font for the scripts of a message body, through the system's
// multi-language objects. Without them, or when they find nothing, the
// popup's normal font is used.
#pragma once

#include <windows.h>
#include <mlang.h>

#include <string_view>

#include "common/win32/com_ptr_win.h"

namespace qptn {

class FontLink {
 public:
  // On a thread with COM initialised.
  FontLink();
  FontLink(const FontLink&) = delete;
  FontLink& operator=(const FontLink&) = delete;

  bool Available() const { return static_cast<bool>(link_); }
  // The code pages that the body's characters need.
  void Prepare(std::u16string_view body);
  DWORD CodePages() const { return codePages_; }

  // The font for plain body words during one paint; given back by Release.
  HFONT Choose(HDC dc, HFONT normal);
  void Release(HFONT chosen, HFONT normal);

 private:
  qp::ComPtr<IMultiLanguage> language_;
  qp::ComPtr<IMLangFontLink> link_;
  DWORD codePages_ = 0;
};

}  // namespace qptn
