// The scrambling tables' properties and the algorithm on UTF-16 text.
#include <gtest/gtest.h>

#include <set>

#include "notifier/settings/scramble.h"

namespace qptn {
namespace {

bool Printable(unsigned b) { return b >= 0x20 && b <= 0x7E; }

TEST(ScrambleTables, ArePermutationsKeepingTheClassesAndZeroAndInvertEachOther) {
  for (int k = 0; k < 5; ++k) {
    const auto& e = kScrambleTables[k];
    const auto& d = kUnscrambleTables[k];
    std::set<unsigned> images(e.begin(), e.end());
    EXPECT_EQ(images.size(), 256u) << "E" << k << " is not a permutation";
    EXPECT_EQ(e[0], 0) << "E" << k;
    EXPECT_EQ(d[0], 0) << "D" << k;
    unsigned fixed = 0;
    for (unsigned b = 0; b < 256; ++b) {
      EXPECT_EQ(Printable(e[b]), Printable(b)) << "E" << k << "[" << b << "]";
      EXPECT_EQ(d[e[b]], b) << "D" << k << " is not the inverse of E" << k << " at " << b;
      fixed += e[b] == b;
    }
    EXPECT_LT(fixed, 16u) << "E" << k << " leaves too much in clear";
  }
  EXPECT_NE(kScrambleTables[0], kScrambleTables[1]);
}

TEST(Scramble, EmptyStaysEmpty) {
  std::u16string text;
  Scramble(text);
  EXPECT_TRUE(text.empty());
  Unscramble(text);
  EXPECT_TRUE(text.empty());
}

TEST(Scramble, RoundTripsEveryLengthAndKeepsPrintableAndNonZero) {
  const std::u16string source = u"p@ssw0rd Quill~!";
  for (size_t n = 1; n <= 12; ++n) {
    const std::u16string plain = source.substr(0, n);
    std::u16string text = plain;
    Scramble(text);
    ASSERT_EQ(text.size(), n);
    EXPECT_NE(text, plain) << n;
    for (char16_t c : text) {
      EXPECT_TRUE(Printable(c)) << "length " << n << " gave " << unsigned(c);
      EXPECT_NE(c, 0);
    }
    Unscramble(text);
    EXPECT_EQ(text, plain) << n;
  }
}

TEST(Scramble, FollowsTheTablesUnitByUnit) {
  // "abc": the last unit by E(3 mod 5), then the others from k = new last mod 5.
  std::u16string text = u"abc";
  Scramble(text);
  const char16_t last = kScrambleTables[3][u'c'];
  unsigned k = last % 5;
  const char16_t first = kScrambleTables[k][u'a'];
  const char16_t second = kScrambleTables[(k + 1) % 5][u'b'];
  EXPECT_EQ(text, (std::u16string{first, second, last}));
}

TEST(Scramble, KeepsTheHighByteAndNeverMakesZero) {
  std::u16string plain = {u'\u00E9', u'\u4E2D', u'\u0100', u'\xD83D', u'\xDE00', u'\u0001'};
  std::u16string text = plain;
  Scramble(text);
  for (size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(text[i] & 0xFF00, plain[i] & 0xFF00) << i;
    EXPECT_NE(text[i], 0) << i;
  }
  Unscramble(text);
  EXPECT_EQ(text, plain);
}

TEST(Scramble, IsDeterministic) {
  std::u16string a = u"same secret", b = u"same secret";
  Scramble(a);
  Scramble(b);
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace qptn
