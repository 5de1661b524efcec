// The body's font linking with the system's multi-language objects: a word
// the paint's font has glyphs for keeps it, one it lacks glyphs for gets a
// font that has them.
#include "notifier/popup/win32/font_link_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win32/com_init_win.h"
#include "common/win32/wide_win.h"

namespace qptn {
namespace {

bool HasAllGlyphs(HDC dc, HFONT font, std::u16string_view word) {
  const HGDIOBJ previous = SelectObject(dc, font);
  std::vector<WORD> glyphs(word.size());
  GetGlyphIndicesW(dc, qp::Wide(word.data()), static_cast<int>(word.size()), glyphs.data(),
                   GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, previous);
  for (WORD g : glyphs) {
    if (g == 0xffff) return false;
  }
  return true;
}

TEST(FontLinkTest, EachWordGetsAFontWithItsGlyphs) {
  qp::ComInitialization com;
  FontLink link;
  ASSERT_TRUE(link.Available()) << "no multi-language objects";
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HFONT body = CreateFontW(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                           0, L"Arial");
  ASSERT_NE(body, nullptr);
  struct Case {
    const char* name;
    std::u16string word;
  };
  const Case cases[] = {{"latin", u"Hello"},
                        {"greek", u"\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1"},
                        {"chinese", u"\u4f60\u597d\u4e16\u754c"},
                        {"arabic", u"\u0645\u0631\u062d\u0628\u0627"}};
  for (const Case& c : cases) {
    const HFONT chosen = link.ForWord(dc, body, c.word);
    EXPECT_TRUE(HasAllGlyphs(dc, chosen, c.word)) << c.name;
    if (HasAllGlyphs(dc, body, c.word)) {
      EXPECT_EQ(chosen, body) << c.name;
    }
  }
  // The same code pages reuse one mapped font within a paint.
  const HFONT again = link.ForWord(dc, body, cases[2].word);
  EXPECT_NE(again, body);
  EXPECT_EQ(link.ForWord(dc, body, u"\u4f60\u597d\u4e16\u754c"), again);
  link.ReleaseWordFonts();
  DeleteObject(body);
  DeleteDC(dc);
}

}  // namespace
}  // namespace qptn
