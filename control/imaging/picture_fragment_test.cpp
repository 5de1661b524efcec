#include "control/imaging/picture_fragment.h"

#include <gtest/gtest.h>

#include <string>

#include "control/clipboard/cf_html.h"

namespace gwax {
namespace {

constexpr std::string_view kPath = "C:\\Users\\ann\\AppData\\Local\\Temp\\clip00a1.jpg";

TEST(PictureFragment, FieldsAtTheirFixedPlaces) {
  const std::optional<std::string> block = PictureFragmentBlock(kPath, 640, 480);
  ASSERT_TRUE(block);
  ASSERT_EQ(block->size(), kPictureFragmentBytes + 1);
  EXPECT_EQ(block->find('\0'), kPictureFragmentBytes);
  const struct {
    size_t at;
    std::string text;
  } pieces[] = {
      {0, "Version:1.0\r\n"},
      {13, "StartHTML:0000000107\r\n"},
      {35, "EndHTML:0000000555\r\n"},
      {55, "StartFragment:0000000220\r\n"},
      {81, "EndFragment:0000000517\r\n"},
      {105,
       "\r\n<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
       "charset=utf-8\">\r\n"},
      {190, "<body>\r\n<!--StartFragment-->\r\n"},
      {220, "<img width=640    height=480     src=\"file://" + std::string(kPath) + "\" "},
      {515, ">\r\n<!--EndFragment-->\r\n</body>\r\n</html>\r\n"},
  };
  for (const auto& p : pieces) EXPECT_EQ(block->substr(p.at, p.text.size()), p.text) << p.at;
  EXPECT_EQ(block->substr(265 + kPath.size() + 1, 250 - kPath.size() - 1),
            std::string(250 - kPath.size() - 1, ' '));

  const std::optional<CfHtmlHeader> header = ReadCfHtmlHeader(*block);
  ASSERT_TRUE(header);
  EXPECT_EQ(block->substr(header->startFragment, 4), "<img");
}

TEST(PictureFragment, LimitsOfTheFields) {
  EXPECT_TRUE(PictureFragmentBlock(kPath, 999999, 0));
  EXPECT_FALSE(PictureFragmentBlock(kPath, 1000000, 1));
  EXPECT_FALSE(PictureFragmentBlock(kPath, 1, 1000000));
  const std::string longest = "C:\\" + std::string(245, 'a');
  const std::optional<std::string> block = PictureFragmentBlock(longest, 1, 1);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->substr(265 + 248, 3), "\" >");
  EXPECT_FALSE(PictureFragmentBlock(longest + "a", 1, 1));
  EXPECT_FALSE(PictureFragmentBlock("", 1, 1));
  EXPECT_FALSE(PictureFragmentBlock("C:\\a\".jpg", 1, 1));
  EXPECT_FALSE(PictureFragmentBlock(std::string("C:\\a\0.jpg", 9), 1, 1));
}

// The paste hands the converted picture on like any other local picture.
TEST(PictureFragment, RewrittenLikeCopiedHtml) {
  std::string block = PictureFragmentBlock(kPath, 640, 480).value();
  std::string asked;
  const std::optional<HtmlRewrite> r = RewriteCfHtml(block, [&](std::string_view address) {
    asked = address;
    return AddressDecision{AddressDecision::Kind::kReplaced, "https://h/download.php?id=12"};
  });
  ASSERT_TRUE(r);
  EXPECT_EQ(asked, "file://" + std::string(kPath));
  EXPECT_EQ(r->changes, 1);
  const std::optional<CfHtmlHeader> header = ReadCfHtmlHeader(r->html);
  ASSERT_TRUE(header);
  EXPECT_EQ(r->html.substr(header->startFragment, header->endFragment - header->startFragment),
            "<img width=640    height=480     src=\"https://h/download.php?id=12\"" +
                std::string(250 - kPath.size() - 1, ' ') + ">\r");
}

TEST(PictureFragment, ClipFileName) {
  EXPECT_EQ(ClipFileName(u"C:\\Temp\\", 0), u"C:\\Temp\\clip0000.jpg");
  EXPECT_EQ(ClipFileName(u"C:\\Temp\\", 0xAB1), u"C:\\Temp\\clip0ab1.jpg");
  EXPECT_EQ(ClipFileName(u"", 0xFFFF), u"clipffff.jpg");
}

TEST(PictureFragment, MetafileSizes) {
  const struct {
    MetafileRect frame, bounds;
    std::string size;  // width x height, then the fitted size; "" for none
  } cases[] = {
      // 100 mm by 50 mm, drawn in 2:1.
      {{0, 0, 10000, 5000}, {0, 0, 200, 100}, "341x170 340x170"},
      // Drawn taller than the frame: the width gives way.
      {{0, 0, 10000, 5000}, {10, 20, 90, 80}, "341x170 170x170"},
      {{0, 0, 10000, 5000}, {0, 0, 3000, 100}, "341x170 341x11"},
      {{0, 0, 10000, 5000}, {0, 0, 0, 100}, "341x170 341x170"},
      {{0, 0, 10000, 5000}, {-300, 0, 200, 100}, "341x170 341x170"},
      {{0, 0, 30, 30}, {}, "1x1 1x1"},
      {{0, 0, 30, 29}, {}, ""},
      {{0, 0, -10000, 5000}, {}, ""},
      {{0, 0, 10000, 5000}, {0, 0, 1, 1000000}, ""},
      {{0, 0, 480029, 30}, {}, "16384x1 16384x1"},
      {{0, 0, 480030, 30}, {}, ""},
      {{0, 0, 240000, 240000}, {}, "8192x8192 8192x8192"},
      {{0, 0, 240000, 240030}, {}, ""},
      {{0, 0, INT32_MAX, INT32_MAX}, {0, 0, INT32_MAX, INT32_MAX}, ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::optional<MetafilePictureSize> s =
        MetafilePictureSizeFor(cases[i].frame, cases[i].bounds);
    const std::string got = s ? std::to_string(s->width) + "x" + std::to_string(s->height) + " " +
                                    std::to_string(s->fittedWidth) + "x" +
                                    std::to_string(s->fittedHeight)
                              : "";
    EXPECT_EQ(got, cases[i].size) << i;
  }
}

}  // namespace
}  // namespace gwax
