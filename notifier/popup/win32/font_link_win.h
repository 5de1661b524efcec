// A font for the scripts of a message body, through the system's
// multi-language objects. Without them, or when they find nothing, the
// popup's normal font is used.
#pragma once

#include <windows.h>
#include <mlang.h>

#include <map>
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

  // One plain word in `body`, the paint's chosen font: that font when it
  // has a glyph for each of the word's characters, else a font mapped for
  // the word's own code pages, so that a body mixing scripts that no one
  // code page holds (Greek, Chinese and Arabic, say) shows every word.
  // Mapped fonts are kept for the paint and given back by ReleaseWordFonts.
  HFONT ForWord(HDC dc, HFONT body, std::u16string_view word);
  void ReleaseWordFonts();

 private:
  qp::ComPtr<IMultiLanguage> language_;
  qp::ComPtr<IMLangFontLink> link_;
  DWORD codePages_ = 0;
  std::map<DWORD, HFONT> wordFonts_;  // by code-page mask, for one paint
};

}  // namespace qptn
