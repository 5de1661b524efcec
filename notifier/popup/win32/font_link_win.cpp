#include "notifier/popup/win32/font_link_win.h"

#include <algorithm>
#include <vector>

#include <limits>

#include "common/win32/wide_win.h"

namespace qptn {

namespace {

// The toolchain's uuid library lacks these two interface ids.
constexpr IID kIidMultiLanguage = {
    0x275c23e1, 0x3747, 0x11d0, {0x9f, 0xea, 0x00, 0xaa, 0x00, 0x3f, 0x86, 0x46}};
constexpr IID kIidFontLink = {
    0x359f3441, 0xbd4a, 0x11d0, {0xb1, 0x88, 0x00, 0xaa, 0x00, 0x38, 0xc9, 0x69}};

}  // namespace

FontLink::FontLink() {
  if (FAILED(CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER,
                              kIidMultiLanguage, language_.PutVoid()))) {
    return;
  }
  language_->QueryInterface(kIidFontLink, link_.PutVoid());
}

void FontLink::Prepare(std::u16string_view body) {
  codePages_ = 0;
  if (!link_) return;
  link_->ResetFontMapping();
  const LONG length = static_cast<LONG>(
      std::min<size_t>(body.size(), static_cast<size_t>(std::numeric_limits<LONG>::max())));
  LONG done = 0;
  DWORD pages = 0;
  if (SUCCEEDED(link_->GetStrCodePages(qp::Wide(body.data()), length, 0, &pages, &done))) {
    codePages_ = pages;
  }
}

HFONT FontLink::Choose(HDC dc, HFONT normal) {
  HFONT mapped = nullptr;
  if (codePages_ != 0 && link_ && SUCCEEDED(link_->MapFont(dc, codePages_, normal, &mapped)) &&
      mapped) {
    return mapped;
  }
  return normal;
}

void FontLink::Release(HFONT chosen, HFONT normal) {
  if (chosen && chosen != normal && link_) link_->ReleaseFont(chosen);
}

HFONT FontLink::ForWord(HDC dc, HFONT body, std::u16string_view word) {
  if (!link_ || word.empty() || word.size() > 1024) return body;
  const HGDIOBJ previous = SelectObject(dc, body);
  std::vector<WORD> glyphs(word.size());
  const DWORD found = GetGlyphIndicesW(dc, qp::Wide(word.data()), static_cast<int>(word.size()),
                                       glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, previous);
  if (found == GDI_ERROR ||
      std::find(glyphs.begin(), glyphs.end(), WORD{0xffff}) == glyphs.end()) {
    return body;
  }
  LONG done = 0;
  DWORD pages = 0;
  if (FAILED(link_->GetStrCodePages(qp::Wide(word.data()), static_cast<LONG>(word.size()), 0,
                                    &pages, &done)) ||
      pages == 0) {
    return body;
  }
  auto known = wordFonts_.find(pages);
  if (known != wordFonts_.end()) return known->second;
  HFONT mapped = nullptr;
  if (FAILED(link_->MapFont(dc, pages, body, &mapped)) || !mapped) return body;
  wordFonts_[pages] = mapped;
  return mapped;
}

void FontLink::ReleaseWordFonts() {
  for (const auto& [pages, font] : wordFonts_) link_->ReleaseFont(font);
  wordFonts_.clear();
}

}  // namespace qptn
