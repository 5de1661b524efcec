#include "notifier/service/doctype_sniffer.h"

#include <gtest/gtest.h>

namespace QPTSoap {
namespace {

std::string Utf16(std::string_view ascii, bool little_endian) {
  std::string s;
  for (const char c : ascii) {
    s += little_endian ? c : '\0';
    s += little_endian ? '\0' : c;
  }
  return s;
}

TEST(DoctypeSniffer, FindsDeclarationsInEveryEncodingAndAcrossPieces) {
  const std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE e SYSTEM \"http://h/d\"><e/>";
  const std::string plain = "<?xml version=\"1.0\"?><e>&lt;!DOCTYPE <!-- x --> DOCTYPE</e>";
  struct Case {
    const char* label;
    std::string bytes;
    bool seen;
  };
  const std::vector<Case> cases = {
      {"UTF-8", doc, true},
      {"UTF-16LE", Utf16(doc, true), true},
      {"UTF-16BE", Utf16(doc, false), true},
      {"no declaration", plain, false},
      {"no declaration, UTF-16LE", Utf16(plain, true), false},
      {"lower case is no declaration", "<!doctype e><e/>", false},
      {"cut short", "<!DOCTYP", false},
      {"after a false start", "<!DOC<!DOCTYPE e>", true},
      {"UTF-16BE after stray zero bytes", std::string(3, '\0') + Utf16("<!DOCTYPE e>", false), true},
      {"UTF-16BE after a false start", Utf16("<!DO", false) + Utf16("<!DOCTYPE e>", false), true},
  };
  for (const Case& c : cases) {
    for (size_t step : {c.bytes.size(), size_t{1}, size_t{5}}) {
      DoctypeSniffer sniffer;
      for (size_t at = 0; at < c.bytes.size(); at += step) {
        sniffer.Feed(std::string_view(c.bytes).substr(at, step));
      }
      EXPECT_EQ(sniffer.seen(), c.seen) << c.label << " in pieces of " << step;
    }
  }
}

}  // namespace
}  // namespace QPTSoap
