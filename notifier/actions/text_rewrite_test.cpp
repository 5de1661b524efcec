#include "notifier/actions/text_rewrite.h"

#include <gtest/gtest.h>

#include <string>

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
      // Only the first of each is rewritten.
      {u"mailto:x?cc=y&cc=z", u"sendto%3Dx%26sendcc%3Dy&cc=z"},
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
