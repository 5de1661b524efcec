#include "control/clipboard/picture_address.h"

#include <gtest/gtest.h>

#include <string>

#include "common/utf8.h"

namespace gwax {
namespace {

using namespace std::string_literals;

TEST(PictureAddress, Classified) {
  const std::string base = "https://mail.example.com";
  const struct {
    std::string address;
    PictureSource source;
  } cases[] = {
      {"file:///C:/a.png", PictureSource::kLocalFile},
      {"file://", PictureSource::kOther},
      {"filex:///C:/a.png", PictureSource::kOther},
      {"https://mail.example.com/download.php?id=7", PictureSource::kStoredPicture},
      {"HTTPS://mail.example.com/download.php?id=7", PictureSource::kOther},
      {"https://mail.example.com.evil.org/download.php", PictureSource::kOther},
      {"https://mail.example.com/downloads.php", PictureSource::kOther},
      {"cid:image001.png", PictureSource::kOther},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifyPictureAddress(c.address, base), c.source) << c.address;
  }
  EXPECT_EQ(ClassifyPictureAddress("/download.php?id=7", ""), PictureSource::kOther);
}

// Copied HTML names any path it likes; only a plain file on a local drive
// may be read, never a share (which would hand the user's credentials to
// its server) or a device.
TEST(PictureAddress, OnlyLocalDrivePaths) {
  const struct {
    std::string address;
    std::optional<std::u16string> path;
  } cases[] = {
      {"FILE:///c:/Users/x/pic.jpg", u"c:/Users/x/pic.jpg"},
      {"file://C:\\Users\\x\\pic.jpg", u"C:\\Users\\x\\pic.jpg"},
      {"file:///C:/Users/x/Bilder/Sch\xC3\xB6n%201.png", u"C:/Users/x/Bilder/Sch\u00F6n%201.png"},
      {"file:///C:\\", u"C:\\"},
      {"file://server/share/a.png", std::nullopt},
      {"file:////server/share/a.png", std::nullopt},
      {"file:///\\\\server\\share\\a.png", std::nullopt},
      {"file:///\\\\?\\C:\\a.png", std::nullopt},
      {"file:///\\\\.\\PhysicalDrive0", std::nullopt},
      {"file:///C:\\\\server\\a.png", std::nullopt},
      {"file:///C:/a//b.png", std::nullopt},
      {"file:///C:/dir/NUL.png", std::nullopt},
      {"file:///C:/Com1 .jpg/x.png", std::nullopt},
      {"file:///C:/dir/CONSOLE.png", u"C:/dir/CONSOLE.png"},
      {"file:///C:/a.png:stream", std::nullopt},
      {"file:///C:%5Ca.png", std::nullopt},
      {"file:///1:/a.png", std::nullopt},
      {"file:///C:/a\tb.png", std::nullopt},
      {"file:///C:/a\0b.png"s, std::nullopt},
      {"file:///C:/a?.png", std::nullopt},
      {"file:///C:/a\".png", std::nullopt},
      {"file:///C:/a\xFF.png", std::nullopt},
      {"http://x/a.png", std::nullopt},
      {"file:///C:/" + std::string(256, 'a'), u"C:/" + std::u16string(256, u'a')},
      {"file:///C:/" + std::string(257, 'a'), std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<std::u16string> path = LocalPicturePath(c.address);
    EXPECT_EQ(path.has_value(), c.path.has_value()) << c.address;
    if (path && c.path) {
      EXPECT_EQ(qp::Utf8FromUtf16(*path), qp::Utf8FromUtf16(*c.path)) << c.address;
    }
  }
}

TEST(PictureAddress, Signatures) {
  std::string emf(44, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  std::string bmp = "BM" + std::string(12, '\0') + "\x28\0\0\0"s;
  const struct {
    std::string head;
    bool picture;
  } cases[] = {
      {"\xFF\xD8\xFF\xE0", true},
      {"\xFF\xD8", false},
      {"\x89PNG\r\n\x1A\n", true},
      {"GIF87a", true},
      {"GIF90a", false},
      {bmp, true},
      {"BM" + std::string(12, '\0') + "\x29\0\0\0"s, false},
      {"BMW drivers.txt", false},
      {"II*\0"s, true},
      {"MM\0*"s, true},
      {"RIFF\x10\0\0\0WEBPVP8 "s, true},
      {"RIFF\x10\0\0\0WAVEfmt "s, false},
      {emf, true},
      {emf.substr(0, 43), false},
      {"\xD7\xCD\xC6\x9A", true},
      {"\x01\0\x09\0"s, true},
      {"\x03\0\x09\0"s, false},
      {"PK\x03\x04", false},
      {"%PDF-1.7", false},
      {"Dear Ann,", false},
      {"", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(HasPictureSignature(cases[i].head), cases[i].picture) << i;
  }
  emf[0] = 2;
  EXPECT_FALSE(HasPictureSignature(emf));
}

TEST(PictureAddress, FileNamePart) {
  EXPECT_EQ(FileNamePart(u"C:\\a\\b.png"), u"b.png");
  EXPECT_EQ(FileNamePart(u"C:/a\\b/c.png"), u"c.png");
  EXPECT_EQ(FileNamePart(u"b.png"), u"b.png");
  EXPECT_EQ(FileNamePart(u"C:\\dir\\"), u"");
}

}  // namespace
}  // namespace gwax
