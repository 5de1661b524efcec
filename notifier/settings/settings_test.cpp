// The setting objects, the accessors and the account store over an
// in-memory registry.
#include <gtest/gtest.h>

#include <cstring>

#include "common/memory_registry.h"
#include "notifier/app/constants.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/scramble.h"
#include "notifier/settings/settings.h"

namespace qptn {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { setting_base::UseRegistry(&registry); }
  void TearDown() override {
    EXPECT_EQ(setting_base::LivingCount(), 0u);
    EXPECT_EQ(registry.openKeys, 0) << "the shared key was left open";
    setting_base::UseRegistry(nullptr);
  }

  std::optional<uint32_t> Dword(const char16_t* name) { return registry.FindDword(kSettingsKey, name); }
  std::optional<std::u16string> Text(const char16_t* name) {
    return registry.FindString(kSettingsKey, name);
  }
  // What a secure setting holds in plain text.
  std::optional<std::u16string> Plain(const char16_t* name) {
    auto text = Text(name);
    if (text) Unscramble(*text);
    return text;
  }
  void PutScrambled(const char16_t* name, std::u16string text) {
    Scramble(text);
    registry.PutString(kSettingsKey, name, text);
  }

  qp::MemoryRegistry registry;
};

TEST_F(SettingsTest, LivingObjectsShareOneKeyOpenedByTheFirstAndClosedByTheLast) {
  {
    IntSetting a(u"a", 1);
    EXPECT_EQ(registry.openKeys, 1);
    {
      StringSetting b(u"b", u"x");
      BoolSetting c(u"c", true);
      EXPECT_EQ(registry.openKeys, 1);
    }
    EXPECT_EQ(registry.openKeys, 1);
  }
  EXPECT_EQ(registry.openKeys, 0);
  EXPECT_EQ(registry.opensTotal, 1);
}

TEST_F(SettingsTest, DestructionWritesTheDefaultOfAMissingValueAndSaveWritesAtOnce) {
  {
    IntSetting freq(u"freq", 10);
    StringSetting host(u"host", u"mail.example");
    EXPECT_FALSE(Dword(u"freq"));
    freq.value = 17;
    freq.save();
    EXPECT_EQ(Dword(u"freq"), 17u);
    freq.value = 18;
  }
  EXPECT_EQ(Dword(u"freq"), 18u);
  EXPECT_EQ(Text(u"host"), u"mail.example");
}

TEST_F(SettingsTest, DwordReads) {
  struct Case {
    const char* what;
    qp::RegType type;
    std::string bytes;
    int32_t expected;
  };
  const Case cases[] = {
      {"four bytes", qp::RegType::kDword, std::string("\x07\x00\x00\x00", 4), 7},
      {"negative", qp::RegType::kDword, std::string("\xFF\xFF\xFF\xFF", 4), -1},
      // The type is not checked and a short value replaces only the leading
      // bytes of the default (0x01020304).
      {"two bytes", qp::RegType::kBinary, std::string("\xAA\xBB", 2), 0x0102BBAA},
      {"string type", qp::RegType::kString, std::string("\x05\x00\x00\x00", 4), 5},
      {"zero bytes", qp::RegType::kDword, std::string(), 0x01020304},
      {"too long", qp::RegType::kBinary, std::string(8, '\x11'), 0x01020304},
  };
  for (const Case& c : cases) {
    registry.Put(kSettingsKey, u"n", c.type, c.bytes);
    IntSetting n(u"n", 0x01020304);
    EXPECT_EQ(n.value, c.expected) << c.what;
  }
}

TEST_F(SettingsTest, BoolKeepsNonZeroAndWritesOneOrZero) {
  registry.PutDword(kSettingsKey, u"pl", 7);
  {
    BoolSetting pl(u"pl", false);
    EXPECT_TRUE(pl.value);
  }
  EXPECT_EQ(Dword(u"pl"), 1u);
  registry.PutDword(kSettingsKey, u"pl", 0);
  {
    BoolSetting pl(u"pl", true);
    EXPECT_FALSE(pl.value);
  }
  EXPECT_EQ(Dword(u"pl"), 0u);
}

TEST_F(SettingsTest, StringReads) {
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"terminated", qp::StringBytes(u"abc"), u"abc"},
      {"empty", qp::StringBytes(u""), u""},
      // Written by another program without its terminator.
      {"unterminated", std::string("a\0b\0c\0", 6), u"ab"},
      {"zero bytes", std::string(), u""},
      {"odd byte count", std::string("a\0b\0c", 5), u"ab"},
      {"embedded NUL kept", qp::StringBytes(std::u16string(u"a\0b", 3)), std::u16string(u"a\0b", 3)},
  };
  for (const Case& c : cases) {
    registry.Put(kSettingsKey, u"s", qp::RegType::kString, c.bytes);
    StringSetting s(u"s", u"default");
    EXPECT_EQ(s.value, c.expected) << c.what;
  }
}

TEST_F(SettingsTest, StringWriteHasTheTerminatorInItsByteCount) {
  { StringSetting s(u"s", u"xy"); }
  auto stored = registry.Find(kSettingsKey, u"s");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, qp::RegType::kString);
  EXPECT_EQ(stored->bytes, std::string("x\0y\0\0\0", 6));
}

TEST_F(SettingsTest, SecureStringIsPlainInMemoryAndScrambledStored) {
  {
    SecureStringSetting d(u"d1", u"");
    d.value = u"user@example.org";
    d.save();
    EXPECT_EQ(d.value, u"user@example.org") << "save must restore the plain text";
    auto stored = Text(u"d1");
    ASSERT_TRUE(stored);
    EXPECT_NE(*stored, u"user@example.org");
    EXPECT_EQ(stored->size(), d.value.size());
  }
  EXPECT_EQ(Plain(u"d1"), u"user@example.org");
  SecureStringSetting again(u"d1", u"");
  EXPECT_EQ(again.value, u"user@example.org");
}

TEST_F(SettingsTest, WithoutAKeyReadsGiveDefaultsAndWritesAreDropped) {
  registry.failCreate = true;
  {
    IntSetting freq(u"freq", 10);
    SecureStringSetting d(u"d1", u"");
    EXPECT_EQ(freq.value, 10);
    freq.value = 3;
    d.value = u"a";
  }
  EXPECT_FALSE(registry.HasKey(kSettingsKey));
  EXPECT_EQ(ReadCheckInterval(false), 10u);
}

TEST_F(SettingsTest, ClampedReadsLeaveTheStoredValue) {
  struct Case {
    const char16_t* name;
    uint32_t stored;
    bool internal;
    unsigned expected;
  };
  const Case cases[] = {
      {u"freq", 1, false, 5},       {u"freq", 1, true, 2},      {u"freq", 1000, false, 240},
      {u"freq", 0xFFFFFFFF, true, 2}, {u"freq", 7, false, 7},   {u"freq", 3, true, 3},
      {u"showLimit", 0, false, 1},  {u"showLimit", 31, false, 30}, {u"showLimit", 12, false, 12},
      {u"showLimit", 0xFFFFFFFF, false, 30},
      {u"show", 0, false, 3},       {u"show", 1, false, 3},     {u"show", 2, false, 3},
      {u"show", 31, false, 30},     {u"show", 9, false, 9},     {u"show", 0x80000000, false, 3},
  };
  for (const Case& c : cases) {
    registry.PutDword(kSettingsKey, c.name, c.stored);
    const std::u16string name = c.name;
    unsigned got = name == u"freq"        ? ReadCheckInterval(c.internal)
                   : name == u"showLimit" ? ReadShowLimit()
                                          : ReadPopupTime();
    EXPECT_EQ(got, c.expected) << std::string(name.begin(), name.end()) << " " << c.stored;
    EXPECT_EQ(Dword(c.name), c.stored) << "the stored value must stay as it was";
  }
}

TEST_F(SettingsTest, WriteAccessorsStoreWhatTheyAreGiven) {
  WriteCheckInterval(1);
  WriteShowLimit(31);
  WritePopupTime(0);
  WriteSound(false);
  EXPECT_EQ(Dword(u"freq"), 1u);
  EXPECT_EQ(Dword(u"showLimit"), 31u);
  EXPECT_EQ(Dword(u"show"), 0u);
  EXPECT_EQ(Dword(u"sound"), 0u);
  EXPECT_FALSE(ReadSound());
  WriteSound(true);
  EXPECT_TRUE(ReadSound());
}

TEST(InternalAddress, MatchesTheOwnDomainAfterAnAtSignIgnoringCase) {
  const std::u16string domain = kOwnMailDomain;
  struct Case {
    std::u16string address;
    bool internal;
  };
  const Case cases[] = {
      {u"ann@" + domain, true},
      {u"Ann@QuillPost.COM", true},
      {u"ann@mail." + domain, false},
      {u"ann@example.org", false},
      {domain, false},
      {u"@" + domain, true},
      {u"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsInternalAddress(c.address), c.internal)
        << std::string(c.address.begin(), c.address.end());
  }
}

TEST_F(SettingsTest, LoadTakesTheLeadingSlotsThatHaveBothAddressAndPassword) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char16_t*, std::u16string>> values;
    unsigned slots;
    unsigned expected;
    bool internal;
  };
  const Case cases[] = {
      {"none", {}, 5, 0, false},
      {"address without password", {{u"d1", u"a@x.org"}}, 5, 0, false},
      {"two addresses, one password",
       {{u"d1", u"a@x.org"}, {u"d2", u"b@x.org"}, {u"b1", u"p1"}}, 5, 1, false},
      {"gap ends the list",
       {{u"d1", u"a@x.org"}, {u"d3", u"c@x.org"}, {u"b1", u"p"}, {u"b2", u"q"}, {u"b3", u"r"}},
       5, 1, false},
      {"own domain", {{u"d1", u"a@x.org"}, {u"d2", u"b@quillpost.com"}, {u"b1", u"p"}}, 5, 1, true},
      {"slot limit",
       {{u"d1", u"a@x.org"}, {u"d2", u"b@x.org"}, {u"d3", u"c@quillpost.com"}, {u"b1", u"p"},
        {u"b2", u"q"}, {u"b3", u"r"}},
       2, 2, false},
      {"five", {{u"d1", u"1"}, {u"d2", u"2"}, {u"d3", u"3"}, {u"d4", u"4"}, {u"d5", u"5"},
                {u"b1", u"1"}, {u"b2", u"2"}, {u"b3", u"3"}, {u"b4", u"4"}, {u"b5", u"5"}},
       5, 5, false},
  };
  for (const Case& c : cases) {
    registry = qp::MemoryRegistry();
    for (const auto& [name, text] : c.values) PutScrambled(name, text);
    std::u16string addresses[5], passwords[5];
    bool internal = true;
    EXPECT_EQ(LoadAccounts(addresses, passwords, internal, c.slots), c.expected) << c.what;
    EXPECT_EQ(internal, c.internal) << c.what;
    for (unsigned i = 0; i < c.expected; ++i) {
      EXPECT_EQ(addresses[i], Plain((u"d" + std::u16string(1, u'1' + i)).c_str())) << c.what;
      EXPECT_EQ(passwords[i], Plain((u"b" + std::u16string(1, u'1' + i)).c_str())) << c.what;
    }
  }
}

TEST_F(SettingsTest, SaveEndsTheListAndLeavesHigherSlots) {
  const std::u16string addresses[] = {u"a@x.org", u"b@x.org", u"c@x.org"};
  const std::u16string passwords[] = {u"pa", u"pb", u"pc"};
  SaveAccounts(passwords, addresses, 3);
  const auto oldB2 = Text(u"b2"), oldD3 = Text(u"d3"), oldB3 = Text(u"b3");

  SaveAccounts(passwords, addresses, 1);
  EXPECT_EQ(Plain(u"d1"), u"a@x.org");
  EXPECT_EQ(Plain(u"b1"), u"pa");
  EXPECT_EQ(Text(u"d2"), u"");
  EXPECT_EQ(Text(u"b2"), oldB2);
  EXPECT_EQ(Text(u"d3"), oldD3);
  EXPECT_EQ(Text(u"b3"), oldB3);

  std::u16string outA[5], outP[5];
  bool internal = false;
  EXPECT_EQ(LoadAccounts(outA, outP, internal, 5), 1u);

  const std::u16string five[] = {u"1", u"2", u"3", u"4", u"5"};
  SaveAccounts(five, five, 5);
  EXPECT_EQ(Text(u"d6"), u"");
  EXPECT_EQ(LoadAccounts(outA, outP, internal, 5), 5u);
  SaveAccounts(nullptr, nullptr, 0);
  EXPECT_EQ(Text(u"d1"), u"");
  EXPECT_EQ(LoadAccounts(outA, outP, internal, 5), 0u);
}

TEST_F(SettingsTest, AFreshStartWritesEveryDefault) {
  // What start-up and exit do: the application's three settings, the
  // account load and the check settings.
  {
    StringSetting host(u"host", kDefaultHost);
    BoolSetting pl(u"pl", false);
    StringSetting key(u"key", u"");
    std::u16string addresses[5], passwords[5];
    bool internal = false;
    EXPECT_EQ(LoadAccounts(addresses, passwords, internal, 5), 0u);
    EXPECT_EQ(ReadShowLimit(), 5u);
    EXPECT_EQ(ReadCheckInterval(internal), 10u);
    EXPECT_TRUE(ReadSound());
    EXPECT_EQ(ReadPopupTime(), 4u);
  }
  EXPECT_EQ(Dword(u"freq"), 10u);
  EXPECT_EQ(Dword(u"showLimit"), 5u);
  EXPECT_EQ(Dword(u"show"), 4u);
  EXPECT_EQ(Dword(u"sound"), 1u);
  EXPECT_EQ(Dword(u"pl"), 0u);
  EXPECT_EQ(Text(u"host"), std::u16string(kDefaultHost));
  EXPECT_EQ(Text(u"key"), u"");
  EXPECT_EQ(Text(u"d1"), u"");
  EXPECT_EQ(Text(u"b1"), u"");
  const std::vector<std::u16string> expected = {u"b1",   u"d1",        u"freq", u"host",
                                                u"key",  u"pl",        u"show", u"showLimit",
                                                u"sound"};
  EXPECT_EQ(registry.ValueNames(kSettingsKey), expected);
}

}  // namespace
}  // namespace qptn
