#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace qp {
namespace {

TEST(Utf8, DecodesWellFormedTextAndReplacesEachBadSequenceOnce) {
  struct Case {
    const char* label;
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"empty", "", u""},
      {"ASCII with NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00E9\u20AC\U0001F600"},
      {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"stray continuation bytes", "a\x80\x80z", u"a\uFFFD\uFFFDz"},
      {"cut at the end", "a\xE2\x82", u"a\uFFFD"},
      {"cut before the next character", "\xE2\x82z", u"\uFFFDz"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"four bytes cut after three", "\xF0\x9F\x98z", u"\uFFFDz"},
      {"lead bytes F5 and FF", "\xF5\xFF", u"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16FromUtf8(c.in), c.out) << c.label;
}

TEST(Utf8, EncodesAndRoundTripsReplacingLoneSurrogates) {
  const std::u16string text = u"Gr\u00FC\u00DFe \u4E16\u754C \U0001F600";
  EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text);
  EXPECT_EQ(Utf8FromUtf16(u"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace qp
