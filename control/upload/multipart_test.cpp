#include "control/upload/multipart.h"

#include <gtest/gtest.h>

#include <string>

namespace gwax {
namespace {

// The body as the bytes that go out, the file's contents as `file`.
std::string Flatten(const MultipartBody& body, const std::string& file = "") {
  std::string out;
  for (const auto& segment : body.Segments()) out += segment.isFile ? file : segment.bytes;
  return out;
}

TEST(Multipart, DelimiterFromTheSystemGenerator) {
  // msvcrt's rand() after srand(1) gives 41, 18467, 6334, 26500, 19169,
  // 15724, 11478, 29358, 26962, 24464, 5705, 28145, 23281, 16827, 9961, 491.
  EXPECT_EQ(MakeDelimiter(1), "-------------" "1740948824551711" "----------------");
  const std::string d = MakeDelimiter(1765200000);
  EXPECT_EQ(d.size(), 45u);
  EXPECT_EQ(d.substr(0, 13), std::string(13, '-'));
  EXPECT_EQ(d.substr(29), std::string(16, '-'));
  EXPECT_EQ(d.find_first_not_of("0123456789", 13), 29u);
  EXPECT_EQ(MakeDelimiter(1765200000), d) << "the same second, the same boundary";
  EXPECT_NE(MakeDelimiter(1765200001), d);
  EXPECT_EQ(BoundaryOf(d), d.substr(2));
  EXPECT_EQ(ContentTypeHeader(d), "Content-type: multipart/form-data; boundary=" + d.substr(2));
}

TEST(Multipart, FileUploadBodyByteForByte) {
  const std::string d = MakeDelimiter(7);
  // A name with a double quote is written as it stands.
  const MultipartBody body = FileUploadBody(d, "ann@quillpost.com", "a\"b.png", 5);
  const std::string want = d + "\r\n"
                           "Content-Disposition: form-data; name=\"username\"\r\n"
                           "\r\n"
                           "ann@quillpost.com"
                           "\r\n" + d + "\r\n"
                           "Content-Disposition: form-data; name=\"filecontents\"; filename=\"a\"b.png\"\r\n"
                           "Content-Type: application/octet-stream\r\n"
                           "\r\n"
                           "12345"
                           "\r\n" + d + "--\r\n";
  EXPECT_EQ(Flatten(body, "12345"), want);
  ASSERT_EQ(body.Segments().size(), 3u) << "preamble, file, closing";
  EXPECT_TRUE(body.Segments()[1].isFile);
  EXPECT_EQ(body.Segments()[2].bytes, "\r\n" + d + "--\r\n");
  EXPECT_EQ(body.Length(), want.size()) << "announced as sent";
  // The length counts the file without holding it.
  EXPECT_EQ(FileUploadBody(d, "u", "f", kMaxUploadBytes).Length(),
            FileUploadBody(d, "u", "f", 0).Length() + kMaxUploadBytes);
}

TEST(Multipart, CopyBodyByteForByte) {
  const std::string d = MakeDelimiter(9);
  const std::string address = "http://127.0.0.1:8080/download.php?id=3&amp;x=\xC3\xA9";
  const MultipartBody body = CopyBody(d, "ann", address, "s1d");
  const std::string want = d + "\r\nContent-Disposition: form-data; name=\"username\"\r\n\r\nann"
                           "\r\n" + d + "\r\nContent-Disposition: form-data; name=\"fileurl\"\r\n\r\n" + address +
                           "\r\n" + d + "\r\nContent-Disposition: form-data; name=\"sid\"\r\n\r\ns1d"
                           "\r\n" + d + "--\r\n";
  EXPECT_EQ(Flatten(body), want);
  ASSERT_EQ(body.Segments().size(), 1u);
  EXPECT_EQ(body.Length(), want.size());
}

TEST(Multipart, Answers) {
  struct Case {
    std::string answer;
    std::string path, key;
  };
  const Case uploads[] = {
      {"/download.php?id=4\nabc123", "/download.php?id=4", "abc123"},
      {"/p\r\nk\r\n", "/p\r", "k\r"},  // a carriage return stays in its line
      {"/p\nk\nmore\n", "/p", "k"},
      {"/only-one-line", "/only-one-line", "/only-one-line"},  // no line feed: path and key
      {"", "", ""},
      {"\n", "", ""},
  };
  for (const auto& c : uploads) {
    const UploadAnswer a = ParseUploadAnswer(c.answer);
    EXPECT_EQ(a.path, c.path) << c.answer;
    EXPECT_EQ(a.key, c.key) << c.answer;
  }
  const UploadAnswer copy = ParseCopyAnswer("/download.php?id=9\nk9\n1234\nphoto \"1\".png");
  EXPECT_EQ(copy.path, "/download.php?id=9");
  EXPECT_EQ(copy.key, "k9");
  EXPECT_EQ(copy.size, 1234u);
  EXPECT_EQ(copy.name, "photo \"1\".png");
  struct Size {
    std::string line;
    uint32_t size;
  };
  for (const Size& s : {Size{"12kB", 12}, Size{" 7", 7}, Size{"abc", 0}, Size{"-5", 0}, Size{"", 0},
                        Size{"99999999999", 0xFFFFFFFFu}}) {
    EXPECT_EQ(ParseCopyAnswer("/p\nk\n" + s.line + "\nn").size, s.size) << s.line;
  }
  const UploadAnswer short_ = ParseCopyAnswer("/p\nk");
  EXPECT_EQ(short_.key, "k");
  EXPECT_EQ(short_.size, 0u);
  EXPECT_EQ(short_.name, "");
}

TEST(Multipart, SizeLimitAndSecurity) {
  EXPECT_FALSE(ShouldSend(0)) << "an empty file fails";
  EXPECT_EQ(ShouldSend(1), true);
  EXPECT_EQ(ShouldSend(20971520), true) << "exactly 20 MiB is sent";
  EXPECT_EQ(ShouldSend(20971521), false) << "one byte more is too large";
  EXPECT_EQ(FileNameOf(u"C:\\Users\\me\\Pictures\\a.png"), u"a.png");
  EXPECT_EQ(FileNameOf(u"C:/x/y/b.jpg"), u"b.jpg");
  EXPECT_EQ(FileNameOf(u"plain.txt"), u"plain.txt");
  EXPECT_TRUE(IsSecureRequest(true, 8443)) << "https on another port is never plain";
  EXPECT_TRUE(IsSecureRequest(true, 443));
  EXPECT_TRUE(IsSecureRequest(false, 443));
  EXPECT_FALSE(IsSecureRequest(false, 80));
}

}  // namespace
}  // namespace gwax
