#include "notifier/service/http_text.h"

#include <gtest/gtest.h>

namespace QPTSoap {
namespace {

TEST(HttpText, HeaderBlockIsActionLineThenContentType) {
  EXPECT_EQ(RequestHeaders(u"SOAPAction: \"http://h/soap/public.php/get_version\"\r\n"),
            u"SOAPAction: \"http://h/soap/public.php/get_version\"\r\n"
            u"Content-Type: text/xml; charset=utf-8\r\n");
}

TEST(HttpText, EscapesCharactersOutsideAsciiAsUtf8) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"http://h:8/soap/public.php?version=1", u"http://h:8/soap/public.php?version=1"},
      {u"http://h/a b", u"http://h/a b"},  // left to the canonicaliser
      {u"http://h/\u00e9", u"http://h/%C3%A9"},
      {u"http://h/\u20ac", u"http://h/%E2%82%AC"},
      {u"http://h/\U0001F600", u"http://h/%F0%9F%98%80"},
      {u"http://h/\xD800x", u"http://h/%EF%BF%BDx"},
      {u"http://h/\n", u"http://h/%0A"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(EscapeNonAscii(in), out);
}

TEST(HttpText, StatusTextToNumber) {
  const std::vector<std::pair<std::u16string, int>> cases = {
      {u"200", 200}, {u"500", 500}, {u"404", 404}, {u"", 0},
      {u"20x", 0},   {u" 200", 0},  {u"9999999999", 0},
  };
  for (const auto& [text, code] : cases) EXPECT_EQ(ParseStatusCode(text), code);
  EXPECT_EQ(DefaultPort(false), 80);
  EXPECT_EQ(DefaultPort(true), 443);
}

}  // namespace
}  // namespace QPTSoap
