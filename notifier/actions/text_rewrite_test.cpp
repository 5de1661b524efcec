#include "notifier/actions/text_rewrite.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace qptn {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(MailtoComposeArgs, RewritesTheLinkForTheComposePage) {
  struct Case {
    std::u16string link;
    std::u16string args;
  };
  const Case cases[] = {
      {u"mailto:x", u"sendto%3Dx"},
      // The percent sign is escaped first; the inserted escapes are not
      // escaped again.
      {u"mailto:x?subject=Hi&body=50%", u"sendto%3Dx%26subject%3DHi%26body%3D50%25"},
      {u"mailto:ann@example.org?subject=Hi&body=50%",
       u"sendto%3Dann@example.org%26subject%3DHi%26body%3D50%25"},
      // Only the first of each is renamed; the "&" of the others is encoded.
      {u"mailto:x?cc=y&cc=z", u"sendto%3Dx%26sendcc%3Dy%26cc=z"},
      {u"mailto:x?bcc=y&cc=z", u"sendto%3Dx%26sendbcc%3Dy%26sendcc%3Dz"},
      // The search ignores case; what is inserted is written as it stands.
      {u"MAILTO:x?CC=y", u"sendto%3Dx%26sendcc%3Dy"},
      {u"Mailto:x?Subject=A&BODY=b", u"sendto%3Dx%26subject%3DA%26body%3Db"},
      // A second "?" stays; spaces and other characters pass unescaped.
      {u"mailto:x?subject=a?b c", u"sendto%3Dx%26subject%3Da?b c"},
      {u"mailto:x?body=%41%", u"sendto%3Dx%26body%3D%2541%25"},
      {u"", u""},
      {u"not a link", u"not a link"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Narrow(MailtoComposeArgs(c.link)), Narrow(c.args)) << Narrow(c.link);
  }
  EXPECT_EQ(ComposeAddressFor(u"https://h/compose.php?sid=1", u"mailto:x"),
            u"https://h/compose.php?sid=1&compose_args=sendto%3Dx");
}

// The compose address's parameters, split as the page splits its query.
std::vector<std::string> Parameters(const std::string& address) {
  std::vector<std::string> found;
  const size_t query = address.find('?');
  if (query == std::string::npos) return found;
  size_t start = query + 1;
  const size_t end = address.find('#');
  const std::string text = address.substr(0, end);
  while (start <= text.size()) {
    const size_t amp = text.find('&', start);
    found.push_back(text.substr(start, amp == std::string::npos ? std::string::npos : amp - start));
    if (amp == std::string::npos) break;
    start = amp + 1;
  }
  return found;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

TEST(ComposeAddressFor, AHostileLinkStaysInsideComposeArgs) {
  struct Case {
    std::u16string link;
    std::string decoded;  // compose_args decoded once: the link's own fields
  };
  const Case cases[] = {
      {u"mailto:a@b?subject=s&to=x@evil.example", "sendto=a@b&subject=s&to=x@evil.example"},
      {u"mailto:a@b?sid=stolen", "sendto=a@b&sid=stolen"},
      {u"mailto:a@b?subject=s&sid=1&compose_args=x", "sendto=a@b&subject=s&sid=1&compose_args=x"},
      {u"mailto:a@b?subject=s#frag&x=1", "sendto=a@b&subject=s#frag&x=1"},
      {u"mailto:a@b&sid=2", "sendto=a@b&sid=2"},
      {u"mailto:a@b?body=1&body=2&cc=c&cc=d", "sendto=a@b&body=1&body=2&sendcc=c&cc=d"},
      {u"mailto:a@b?subject=50%&body=%26", "sendto=a@b&subject=50%&body=%26"},
  };
  const std::string page = "https://h/compose.php?path=INBOX&sid=9";
  for (const Case& c : cases) {
    const std::string address =
        Narrow(ComposeAddressFor(std::u16string(page.begin(), page.end()), c.link));
    const std::vector<std::string> parameters = Parameters(address);
    ASSERT_EQ(parameters.size(), 3u) << address << ": the page's two and compose_args alone";
    EXPECT_EQ(parameters[0], "path=INBOX");
    EXPECT_EQ(parameters[1], "sid=9");
    ASSERT_EQ(parameters[2].rfind("compose_args=", 0), 0u) << address;
    EXPECT_EQ(address.find('#'), std::string::npos) << address;
    EXPECT_EQ(PercentDecoded(parameters[2].substr(13)), c.decoded) << Narrow(c.link);
  }
}

TEST(QuickViewAddress, ThePrintViewOfTheMessagesPage) {
  struct Case {
    std::u16string address;
    std::u16string quick;
  };
  const Case cases[] = {
      {u"https://h/view.php?sid=1&uid=7", u"https://h/view_print_multi.php?sid=1&list=7"},
      {u"https://h/VIEW.PHP?sid=1&UID=7", u"https://h/view_print_multi.php?sid=1&list=7"},
      // First occurrences only.
      {u"https://h/view.php/view.php?&uid=1&uid=2",
       u"https://h/view_print_multi.php/view.php?&list=1&uid=2"},
      {u"https://h/read.php?id=7", u"https://h/read.php?id=7"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Narrow(QuickViewAddress(c.address)), Narrow(c.quick)) << Narrow(c.address);
  }
}

}  // namespace
}  // namespace qptn
