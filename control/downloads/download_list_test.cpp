#include "control/downloads/download_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/object/page_base.h"

namespace gwax {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// What the platform's parser splits: addresses with a scheme and "//".
bool HasScheme(std::u16string_view address) {
  return address.find(u"://") != std::u16string_view::npos;
}

TEST(DownloadList, NamesAreUniqueWithoutRegardToCase) {
  struct Case {
    std::vector<std::u16string> added;
    std::vector<std::u16string> stored;
  };
  const Case cases[] = {
      {{u"a.txt", u"A.TXT", u"a.txt"}, {u"a.txt", u"A(1).TXT", u"a(2).txt"}},
      {{u"a.txt", u"a(1).txt", u"a.txt"}, {u"a.txt", u"a(1).txt", u"a(2).txt"}},
      {{u"README", u"readme"}, {u"README", u"readme(1)"}},
      {{u"report.v2.pdf", u"report.v2.pdf"}, {u"report.v2.pdf", u"report.v2(1).pdf"}},
      {{u".profile", u".profile"}, {u".profile", u"(1).profile"}},
      {{u"", u""}, {u"download", u"download(1)"}},  // an empty name is made one
      {{u"x", u"x", u"x", u"x(1)"}, {u"x", u"x(1)", u"x(2)", u"x(1)(1)"}},
  };
  for (const auto& c : cases) {
    DownloadList list;
    for (const auto& name : c.added) AddDownload(list, u"http://h/f", name, u"", u"", HasScheme);
    EXPECT_EQ(list.names, c.stored) << Narrow(c.added.front());
    EXPECT_EQ(list.addresses.size(), c.added.size());
    EXPECT_EQ(list.sizes.size(), c.added.size());
  }
}

TEST(DownloadList, RelativeAddressesJoinThePageBase) {
  const std::u16string base = PageBase(u"http://127.0.0.1:8080/mail/read.php");
  EXPECT_EQ(base, u"http://127.0.0.1:8080/mail");
  struct Case {
    std::u16string address, pageBase, stored;
  };
  const Case cases[] = {
      {u"download.php?id=1", base, u"http://127.0.0.1:8080/mail/download.php?id=1"},
      {u"/download.php?id=1", base, u"http://127.0.0.1:8080/mail/download.php?id=1"},
      {u"http://other.example/x", base, u"http://other.example/x"},
      {u"https://other.example/x", base, u"https://other.example/x"},
      {u"download.php?id=1", u"", u"download.php?id=1"},  // no page base: unchanged
      {u"", base, u"http://127.0.0.1:8080/mail/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveAddress(c.address, c.pageBase, HasScheme), c.stored) << Narrow(c.address);
  }
}

TEST(DownloadList, SizeTexts) {
  struct Case {
    const char16_t* text;
    uint32_t bytes;
  };
  const Case cases[] = {
      {u"1.5 MB", 1572864},
      {u"2 KB", 2048},
      {u"2 kb", 2048},
      {u"1 GB", 1073741824},
      {u"3g", 3221225472u},
      {u"100 bytes", 100},
      {u"100", 100},
      {u"  42", 42},
      {u"0.5 K", 512},
      {u"1e3 K", 1024000},
      {u"1.9", 1},                   // cut, not rounded
      {u"9999999K", 0xFFFFFFFFu},    // beyond 32 bits: the largest count
      {u"4 G", 0xFFFFFFFFu},
      {u"-5 KB", 0},
      {u"KB", 0},
      {u"", 0},
      {u"abc", 0},
      {u"0x10", 0},                  // decimal only
      {u"inf", 0},
      {u"nan", 0},
      {u"123456 K", 126418944u},     // the unit among the first eight characters
      {u"12345678K", 12345678},      // ...and not beyond them
      {u"5 \u00b5K", 5120},          // a letter beyond ASCII before the unit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseSizeText(c.text), c.bytes) << Narrow(c.text);
  }
}

TEST(DownloadList, TotalOfTwoSizes) {
  DownloadList list;
  AddDownload(list, u"a", u"a", u"1.5 MB", u"", HasScheme);
  AddDownload(list, u"b", u"b", u"2 KB", u"", HasScheme);
  uint32_t total = 0;
  for (uint32_t s : list.sizes) total += s;
  EXPECT_EQ(total, 1574912u);
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_TRUE(list.addresses.empty());
  EXPECT_TRUE(list.sizes.empty());
}

}  // namespace
}  // namespace gwax
