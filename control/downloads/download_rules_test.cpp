#include "control/downloads/download_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gwax {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

TEST(DownloadRules, FolderBrowserTitle) {
  const std::u16string start = u"Choose the destination folder for ";
  struct Case {
    std::vector<std::u16string> names;
    std::u16string rest;
  };
  const Case cases[] = {
      {{u"a.txt"}, u"a.txt"},
      {{u"a.txt", u"b.txt"}, u"a.txt and b.txt"},
      {{u"a", u"b", u"c"}, u"a, b and c"},
      {{u"1", u"2", u"3", u"4", u"5"}, u"1, 2, 3, 4 and 5"},
      {{u"1", u"2", u"3", u"4", u"5", u"6"}, u"the 6 files selected."},
      {std::vector<std::u16string>(120, u"x"), u"the 120 files selected."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Narrow(FolderBrowserTitle(c.names)), Narrow(start + c.rest));
  }
}

TEST(DownloadRules, FreeSpaceAndTotals) {
  EXPECT_EQ(DriveRoot(u"C:\\Users\\me\\Downloads\\"), u"C:\\");
  EXPECT_EQ(TotalSize({1572864, 2048}), 1574912u);
  EXPECT_EQ(TotalSize({0xFFFFFFFFu, 0xFFFFFFFFu, 2}), 0x200000000ull) << "no wrap at 4 GiB";
  EXPECT_TRUE(HasEnoughSpace(std::nullopt, 1ull << 40)) << "the system can't tell";
  EXPECT_TRUE(HasEnoughSpace(1001, 1000));
  EXPECT_FALSE(HasEnoughSpace(1000, 1000)) << "as many free bytes as needed is not enough";
  EXPECT_FALSE(HasEnoughSpace(0x100000000ull, 0x100000001ull)) << "totals past 4 GiB compare whole";
  EXPECT_TRUE(HasEnoughSpace(0x200000001ull, 0x200000000ull));
}

TEST(DownloadRules, ProgressNumbers) {
  EXPECT_EQ(ProgressRange(5000, 123), 5000u) << "the listed total wins";
  EXPECT_EQ(ProgressRange(0, 123), 123u);
  EXPECT_EQ(ProgressRange(0, std::nullopt), 0u);
  using Pair = std::pair<int32_t, int32_t>;
  EXPECT_EQ(ProgressNumbers(50, 100), Pair(50, 100));
  EXPECT_EQ(ProgressNumbers(7, 0), Pair(0, 0)) << "no range, no division";
  EXPECT_EQ(ProgressNumbers(150, 100), Pair(100, 100)) << "held to the range";
  EXPECT_EQ(ProgressNumbers(0x7FFFFFFF, 0x7FFFFFFF), Pair(0x7FFFFFFF, 0x7FFFFFFF));
  // 6 GiB: both halved until the range fits, the ratio kept.
  const auto [done, range] = ProgressNumbers(3ull << 30, 6ull << 30);
  EXPECT_EQ(range, static_cast<int32_t>((6ull << 30) >> 2));
  EXPECT_EQ(done * 2, range);
}

TEST(DownloadRules, ContentLengthHeader) {
  EXPECT_EQ(ParseContentLength(u"0"), 0u);
  EXPECT_EQ(ParseContentLength(u"104857600"), 104857600u);
  EXPECT_EQ(ParseContentLength(u"6442450944"), 6442450944u) << "past 4 GiB";
  EXPECT_EQ(ParseContentLength(u"9999999999999999999"), 9999999999999999999u);
  for (const char16_t* bad : {u"", u"-1", u"12a", u" 12", u"1e6", u"99999999999999999999"}) {
    EXPECT_FALSE(ParseContentLength(bad)) << Narrow(bad);
  }
}

TEST(DownloadRules, OnlyHttpAndHttpsAreFetched) {
  for (const char16_t* address : {u"http://h/f", u"HTTPS://h/f", u"hTtP://127.0.0.1:80/download.php?id=1"}) {
    EXPECT_TRUE(IsDownloadableAddress(address)) << Narrow(address);
  }
  for (const char16_t* address : {u"file:///C:/Windows/win.ini", u"ftp://h/f", u"\\\\server\\share\\f",
                                  u"C:\\x", u"res://x.dll/a", u"http:/h", u" http://h/", u""}) {
    EXPECT_FALSE(IsDownloadableAddress(address)) << Narrow(address);
  }
}

// A folder near the limit and a name of 255 units still make a path the
// file functions take.
TEST(DownloadRules, PathsPastTheClassicLimitInTheirLongForm) {
  const std::u16string folder = u"C:\\" + std::u16string(200, u'f') + u"\\";  // 204 units
  const std::u16string name(255, u'n');
  struct Case {
    std::u16string path;
    std::u16string form;
  };
  const Case cases[] = {
      {u"C:\\dl\\a.txt", u"C:\\dl\\a.txt"},
      {folder + name.substr(0, 55), folder + name.substr(0, 55)},  // 259 units: still short
      {folder + name.substr(0, 56), u"\\\\?\\" + folder + name.substr(0, 56)},
      {folder + name, u"\\\\?\\" + folder + name},
      {u"d:\\" + name + u"\\" + name, u"\\\\?\\d:\\" + name + u"\\" + name},
      {u"\\\\server\\share\\" + name, u"\\\\?\\UNC\\server\\share\\" + name},
      {u"\\\\?\\C:\\" + name, u"\\\\?\\C:\\" + name},  // already in the long form
      {u"\\\\.\\C:\\" + name, u"\\\\.\\C:\\" + name},  // a device path stays as it is
      {u"dl\\" + name, u"dl\\" + name},                         // relative: no long form
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Narrow(FilePathForm(c.path)), Narrow(c.form)) << c.path.size() << " units";
  }
}

}  // namespace
}  // namespace gwax
