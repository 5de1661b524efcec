#include "control/object/ip_literal.h"

#include <gtest/gtest.h>

#include <string>

namespace gwax {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

struct Spelling {
  const char16_t* text;
  const char16_t* canonical;  // null: not an address
};

// Each spelling read by `read`: its canonical text, or nothing.
template <typename Reader, size_t N>
void ExpectCanonical(Reader read, const Spelling (&cases)[N]) {
  for (const auto& c : cases) {
    const auto got = read(c.text);
    if (c.canonical) {
      ASSERT_TRUE(got) << Narrow(c.text);
      EXPECT_EQ(*got, c.canonical) << Narrow(c.text);
    } else {
      EXPECT_FALSE(got) << Narrow(c.text) << " gave " << Narrow(got.value_or(u""));
    }
  }
}

// The same address in every spelling a browser reads; null: not an address.
TEST(IpLiteral, Ipv4Spellings) {
  const Spelling cases[] = {
      {u"127.0.0.1", u"127.0.0.1"},
      {u"127.1", u"127.0.0.1"},
      {u"127.0.1", u"127.0.0.1"},
      {u"2130706433", u"127.0.0.1"},
      {u"0x7f000001", u"127.0.0.1"},
      {u"0X7F.0.0.1", u"127.0.0.1"},
      {u"0177.0.0.1", u"127.0.0.1"},
      {u"017700000001", u"127.0.0.1"},
      {u"0x7f.1", u"127.0.0.1"},
      {u"127.000.0.01", u"127.0.0.1"},
      {u"0", u"0.0.0.0"},
      {u"255.255.255.255", u"255.255.255.255"},
      {u"4294967295", u"255.255.255.255"},
      {u"1.2.65535", u"1.2.255.255"},
      {u"4294967296", nullptr},     // above 32 bits
      {u"99999999999999999999999", nullptr},
      {u"256.0.0.1", nullptr},
      {u"1.2.3.256", nullptr},
      {u"1.2.65536", nullptr},
      {u"1.16777216", nullptr},
      {u"1.2.3.4.5", nullptr},      // five parts
      {u"08.0.0.1", nullptr},       // not octal
      {u"0x.0.0.1", nullptr},       // hex without digits
      {u"0xg.0.0.1", nullptr},
      {u"1..2", nullptr},
      {u".1.2.3", nullptr},
      {u"", nullptr},
  };
  ExpectCanonical(CanonicalIpv4, cases);
}

TEST(IpLiteral, NumberAtTheEndMakesAnAddress) {
  EXPECT_TRUE(EndsInNumber(u"127.0.0.1"));
  EXPECT_TRUE(EndsInNumber(u"mail.quillpost.1"));
  EXPECT_TRUE(EndsInNumber(u"a.0x"));
  EXPECT_TRUE(EndsInNumber(u"a.0xFF"));
  EXPECT_FALSE(EndsInNumber(u"a.0xg"));
  EXPECT_FALSE(EndsInNumber(u"127.0.0.1a"));
  EXPECT_FALSE(EndsInNumber(u"1.2.3.com"));
  EXPECT_FALSE(EndsInNumber(u"a."));
  EXPECT_FALSE(EndsInNumber(u""));
}

TEST(IpLiteral, Ipv6Spellings) {
  const Spelling cases[] = {
      {u"::1", u"::1"},
      {u"0:0:0:0:0:0:0:1", u"::1"},
      {u"0000:0000::0001", u"::1"},
      {u"::", u"::"},
      {u"1::", u"1::"},
      {u"2001:DB8::A", u"2001:db8::a"},
      {u"2001:db8:0:0:1:0:0:1", u"2001:db8::1:0:0:1"},  // the first of two equal runs
      {u"2001:0:0:1:0:0:0:1", u"2001:0:0:1::1"},          // the longer run
      {u"2001:db8:0:1:1:1:1:1", u"2001:db8:0:1:1:1:1:1"},  // one zero group stays
      {u"::ffff:127.0.0.1", u"::ffff:7f00:1"},
      {u"::127.0.0.1", u"::7f00:1"},
      {u"1:2:3:4:5:6:1.2.3.4", u"1:2:3:4:5:6:102:304"},
      {u"1:2:3:4:5:6:7:8", u"1:2:3:4:5:6:7:8"},
      {u"1:2:3:4:5:6:7:8:9", nullptr},
      {u"1:2:3:4:5:6:7", nullptr},
      {u"1:2:3:4:5:6:7::8", nullptr},                     // "::" standing for nothing
      {u"1::2::3", nullptr},
      {u":::", nullptr},
      {u":1::", nullptr},
      {u"1:", nullptr},
      {u"12345::", nullptr},
      {u"::1%25eth0", nullptr},                            // zone identifier
      {u"::1%eth0", nullptr},
      {u"::ffff:127.0.0.01", nullptr},                     // leading zero in the IPv4 part
      {u"::ffff:127.1", nullptr},
      {u"::ffff:256.0.0.1", nullptr},
      {u"1:2:3:4:5:6:7:1.2.3.4", nullptr},                // nine groups' worth
      {u"::1.2.3.4:5", nullptr},
      {u"g::", nullptr},
      {u"", nullptr},
  };
  ExpectCanonical(CanonicalIpv6, cases);
}

}  // namespace
}  // namespace gwax
