#include "tools/qpsettings/qpsettings_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/memory_registry.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/settings.h"

namespace qpsettings {
namespace {

std::vector<std::u16string> Args(const std::vector<const char*>& words) {
  std::vector<std::u16string> args;
  for (const char* w : words) args.emplace_back(w, w + std::char_traits<char>::length(w));
  return args;
}

class QpsettingsTest : public ::testing::Test {
 protected:
  QpsettingsTest() { qptn::setting_base::UseRegistry(&registry); }
  ~QpsettingsTest() override { qptn::setting_base::UseRegistry(nullptr); }

  Outcome Do(const std::vector<const char*>& words) { return qpsettings::Run(Args(words)); }

  qp::MemoryRegistry registry;
};

TEST_F(QpsettingsTest, ShowListsEverySettingAndTheAccountsWithoutPasswords) {
  ASSERT_EQ(Do({"account", "add", "ann@example.org", "secret"}).exitCode, kDone);
  const Outcome shown = Do({"show"});
  EXPECT_EQ(shown.exitCode, kDone);
  EXPECT_EQ(shown.out,
            "freq=10\nshowLimit=5\nshow=4\nsound=1\npl=0\nhost=mail.quillpost.com\nkey=\n"
            "prevMailto=\"C:\\Program Files\\Outlook Express\\msimn.exe\" -c IPM.Note /m \"%1\"\n"
            "prevMailtoIcon=\"C:\\Program Files\\Outlook Express\\msimn.exe\",1\n"
            "account 1 ann@example.org\n");
  EXPECT_EQ(shown.out.find("secret"), std::string::npos);
}

TEST_F(QpsettingsTest, SetStoresTheValueAsTheNotifierReadsIt) {
  struct Case {
    std::vector<const char*> args;
    std::string out;
  };
  const Case cases[] = {
      {{"set", "freq", "1"}, "freq=5\n"},
      {{"set", "freq", "1000"}, "freq=240\n"},
      {{"set", "freq", "30"}, "freq=30\n"},
      {{"set", "showLimit", "0"}, "showLimit=1\n"},
      {{"set", "showLimit", "31"}, "showLimit=30\n"},
      {{"set", "show", "2"}, "show=3\n"},
      {{"set", "show", "31"}, "show=30\n"},
      {{"set", "sound", "off"}, "sound=0\n"},
      {{"set", "pl", "1"}, "pl=1\n"},
      {{"set", "host", "127.0.0.1:8080"}, "host=127.0.0.1:8080\n"},
      {{"set", "key", "K 1"}, "key=K 1\n"},
  };
  for (const Case& c : cases) {
    const Outcome done = Do(c.args);
    EXPECT_EQ(done.exitCode, kDone) << done.error;
    EXPECT_EQ(done.out, c.out);
  }
  EXPECT_EQ(registry.FindDword(qptn::kSettingsKey, u"freq"), 30u);
  EXPECT_EQ(registry.FindDword(qptn::kSettingsKey, u"show"), 30u);
  EXPECT_EQ(registry.FindDword(qptn::kSettingsKey, u"sound"), 0u);
  EXPECT_EQ(registry.FindString(qptn::kSettingsKey, u"host"), u"127.0.0.1:8080");
  const Outcome shown = Do({"show"});
  EXPECT_NE(shown.out.find("host=127.0.0.1:8080\n"), std::string::npos) << shown.out;
}

TEST_F(QpsettingsTest, TheOwnDomainLowersTheShortestInterval) {
  Do({"account", "add", "me@quillpost.com", "pw"});
  EXPECT_EQ(Do({"set", "freq", "1"}).out, "freq=2\n");
}

TEST_F(QpsettingsTest, BadCommandsAreUsageErrorsWithOneLine) {
  const std::vector<std::vector<const char*>> bad = {
      {},
      {"shwo"},
      {"show", "extra"},
      {"set", "freq"},
      {"set", "colour", "red"},
      {"set", "freq", "ten"},
      {"set", "freq", "-5"},
      {"set", "freq", "99999999999"},
      {"set", "sound", "maybe"},
      {"set", "host", ""},
      {"set", "host", "evil.example/path"},
      {"set", "prevMailto", "x"},
      {"account"},
      {"account", "add", "no-at-sign", "pw"},
      {"account", "add", "a@example.org", ""},
      {"account", "add", "a@example.org"},
      {"account", "remove", "one"},
      {"set", "freq", "1\n2"},
      {"account", "add", "line\r\nbreak", "pw"},
      {"account", "add", "x@evil.example\naccount 9 injected@evil", "pw"},
      {"account", "add", "a@example.org", "p\x1b[2Jw"},
      {"set", "key", "k\nfreq=1"},
      {"set", "key", "\x1b]0;title\x07"},
      {"set", "host", "h\x07ost"},
  };
  for (const auto& args : bad) {
    const Outcome done = Do(args);
    EXPECT_EQ(done.exitCode, kUsageError) << done.out;
    EXPECT_FALSE(done.error.empty());
    EXPECT_EQ(done.error.find('\n'), std::string::npos) << done.error;
    EXPECT_TRUE(done.out.empty());
  }
  EXPECT_FALSE(registry.FindDword(qptn::kSettingsKey, u"freq").has_value())
      << "a refused command changes nothing";
  EXPECT_FALSE(registry.FindString(qptn::kSettingsKey, u"key").has_value());
  EXPECT_EQ(Do({"account", "list"}).out, "");
  const Outcome escaped = Do({"set", "key", "\x1b[31mred"});
  EXPECT_EQ(escaped.error, "key must not hold control characters: \"\\x1b[31mred\"");
}

// Values stored by other means (another program, an older version) print
// escaped: one line per setting and per account, no terminal commands.
TEST_F(QpsettingsTest, StoredControlCharactersPrintEscapedOnTheirOwnLine) {
  registry.PutString(qptn::kSettingsKey, u"key", u"k\nfreq=1\x1b[2J\t\\n");
  Do({"account", "add", "ann@example.org", "secret"});
  {
    qptn::SecureStringSetting address(u"d1", u"");
    address.value = u"x@evil.example\naccount 9 injected@evil\u0085";
  }
  const Outcome shown = Do({"show"});
  EXPECT_NE(shown.out.find("key=k\\nfreq=1\\x1b[2J\\t\\n\n"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("account 1 x@evil.example\\naccount 9 injected@evil\\x85\n"),
            std::string::npos)
      << shown.out;
  size_t lines = 0;
  for (char c : shown.out) lines += c == '\n';
  EXPECT_EQ(lines, 10u) << "nine settings and one account";
  EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);
}

TEST_F(QpsettingsTest, AccountsFillTheNextSlotScrambledAndASixthIsRefused) {
  for (int i = 1; i <= 5; ++i) {
    const std::string address = "user" + std::to_string(i) + "@example.org";
    const Outcome done = Do({"account", "add", address.c_str(), "pw"});
    EXPECT_EQ(done.exitCode, kDone);
    EXPECT_EQ(done.out, "account " + std::to_string(i) + " " + address + "\n");
  }
  const Outcome sixth = Do({"account", "add", "six@example.org", "pw"});
  EXPECT_EQ(sixth.exitCode, kFailed);
  EXPECT_EQ(sixth.error, "five accounts are stored already");
  EXPECT_NE(registry.FindString(qptn::kSettingsKey, u"d1"), u"user1@example.org")
      << "stored scrambled";
  std::u16string addresses[5], passwords[5];
  bool internal = false;
  EXPECT_EQ(qptn::LoadAccounts(addresses, passwords, internal, 5), 5u)
      << "the notifier reads them back";
  EXPECT_EQ(addresses[4], u"user5@example.org");
  EXPECT_EQ(passwords[4], u"pw");
  EXPECT_EQ(Do({"account", "add", "user2@example.org", "pw"}).exitCode, kFailed);
}

TEST_F(QpsettingsTest, RemoveClosesTheGapAndListsWhatIsLeft) {
  Do({"account", "add", "a@example.org", "pa"});
  Do({"account", "add", "b@example.org", "pb"});
  Do({"account", "add", "c@example.org", "pc"});
  EXPECT_EQ(Do({"account", "remove", "2"}).out,
            "account 1 a@example.org\naccount 2 c@example.org\n");
  EXPECT_EQ(Do({"account", "list"}).out, "account 1 a@example.org\naccount 2 c@example.org\n");
  std::u16string addresses[5], passwords[5];
  bool internal = false;
  ASSERT_EQ(qptn::LoadAccounts(addresses, passwords, internal, 5), 2u);
  EXPECT_EQ(passwords[1], u"pc") << "each password stays with its address";
  const Outcome missing = Do({"account", "remove", "3"});
  EXPECT_EQ(missing.exitCode, kFailed);
  EXPECT_EQ(missing.error, "there is no account 3 (2 stored)");
  EXPECT_EQ(Do({"account", "remove", "0"}).exitCode, kFailed);
}

TEST_F(QpsettingsTest, AnUnopenableKeyFailsEveryCommand) {
  registry.failCreate = true;
  for (const auto& args : {Args({"show"}), Args({"account", "list"}), Args({"set", "freq", "9"})}) {
    const Outcome done = qpsettings::Run(args);
    EXPECT_EQ(done.exitCode, kFailed);
    EXPECT_NE(done.error.find("cannot open"), std::string::npos);
  }
}

}  // namespace
}  // namespace qpsettings
