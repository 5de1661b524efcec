// The Run-at-login and mailto: entries over an in-memory registry.
#include <gtest/gtest.h>

#include "common/memory_registry.h"
#include "notifier/settings/settings.h"
#include "notifier/settings/shell_entries.h"

namespace qptn {
namespace {

constexpr char16_t kProgram[] = u"C:\\Program Files\\Quillpost\\qptn.exe";
const std::u16string kOurCommand = u"\"C:\\Program Files\\Quillpost\\qptn.exe\" -mailto %1";
const std::u16string kOurIcon = u"\"C:\\Program Files\\Quillpost\\qptn.exe\",0";
const std::u16string kOtherCommand = u"\"C:\\Mail\\other.exe\" /compose \"%1\"";
const std::u16string kOtherIcon = u"\"C:\\Mail\\other.exe\",3";

class ShellEntriesTest : public ::testing::Test {
 protected:
  void SetUp() override { setting_base::UseRegistry(&registry); }
  void TearDown() override {
    EXPECT_EQ(registry.openKeys, 0);
    setting_base::UseRegistry(nullptr);
  }
  std::optional<std::u16string> Command() { return registry.FindString(kMailtoCommandKey, nullptr); }
  std::optional<std::u16string> Icon() { return registry.FindString(kMailtoIconKey, nullptr); }
  std::optional<std::u16string> Setting(const char16_t* name) {
    return registry.FindString(kSettingsKey, name);
  }

  qp::MemoryRegistry registry;
};

TEST_F(ShellEntriesTest, IsSetOnlyForTheExactBytes) {
  struct Case {
    const char* what;
    std::optional<std::string> bytes;
    bool set;
  };
  const std::u16string run = u"\"" + std::u16string(kProgram) + u"\"";
  const Case cases[] = {
      {"exact", qp::StringBytes(run), true},
      {"missing", std::nullopt, false},
      {"other case", qp::StringBytes(u"\"c:\\Program Files\\Quillpost\\qptn.exe\""), false},
      {"with arguments", qp::StringBytes(run + u" -Hello"), false},
      {"without quotes", qp::StringBytes(kProgram), false},
      {"without terminator", qp::StringBytes(run).substr(0, run.size() * 2), false},
      {"too long for the buffer", qp::StringBytes(run + std::u16string(400, u' ')), false},
  };
  for (const Case& c : cases) {
    registry = qp::MemoryRegistry();
    if (c.bytes) registry.Put(kRunKey, kRunValue, qp::RegType::kString, *c.bytes);
    RegistryEntry entry = MakeRunAtLoginEntry(registry, kProgram);
    EXPECT_EQ(entry.IsSet(), c.set) << c.what;
  }
}

TEST_F(ShellEntriesTest, RunAtLoginHoldsTheQuotedPathAndOffDeletesIt) {
  {
    RegistryEntry entry = MakeRunAtLoginEntry(registry, kProgram);
    EXPECT_FALSE(entry.IsSet());
    entry.Set(true);
    EXPECT_TRUE(entry.IsSet());
  }
  auto stored = registry.Find(kRunKey, kRunValue);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, qp::RegType::kString);
  EXPECT_EQ(stored->bytes, qp::StringBytes(u"\"" + std::u16string(kProgram) + u"\""));
  {
    RegistryEntry entry = MakeRunAtLoginEntry(registry, kProgram);
    entry.Set(false);
  }
  EXPECT_FALSE(registry.Find(kRunKey, kRunValue));
  EXPECT_TRUE(registry.HasKey(kRunKey));
}

TEST_F(ShellEntriesTest, TestingOrClearingAnEntryCreatesNoKey) {
  RegistryEntry entry(registry, kMailtoIconKey, std::nullopt, kProgram, kMailtoIconSuffix);
  EXPECT_FALSE(entry.IsSet());
  entry.Set(false);
  EXPECT_FALSE(registry.HasKey(u"software\\classes\\mailto"));
  entry.Set(true);
  EXPECT_TRUE(entry.IsSet());
}

TEST_F(ShellEntriesTest, UnregisterOnAProfileThatNeverHadTheAssociationCreatesNothing) {
  RegisterMailto(registry, kProgram, false);
  EXPECT_FALSE(registry.HasKey(u"software\\classes\\mailto"));
}

TEST_F(ShellEntriesTest, ExpectedTextIsCutTo291Characters) {
  const std::u16string longPath(400, u'x');
  RegistryEntry entry(registry, kMailtoCommandKey, std::nullopt, longPath, kMailtoCommandSuffix);
  EXPECT_EQ(entry.expected().size(), 291u);
  entry.Set(true);
  EXPECT_TRUE(entry.IsSet());
}

TEST_F(ShellEntriesTest, OverAnotherHandlerRegisterAndUnregisterRestoreItByteForByte) {
  registry.PutString(kMailtoCommandKey, nullptr, kOtherCommand);
  registry.PutString(kMailtoIconKey, nullptr, kOtherIcon);
  const auto before = registry.Find(kMailtoCommandKey, nullptr);

  RegisterMailto(registry, kProgram, true);
  EXPECT_EQ(Command(), kOurCommand);
  EXPECT_EQ(Icon(), kOurIcon);
  EXPECT_EQ(Setting(u"prevMailto"), kOtherCommand);
  EXPECT_EQ(Setting(u"prevMailtoIcon"), kOtherIcon);

  // A second registration must not remember our own command line.
  RegisterMailto(registry, kProgram, true);
  EXPECT_EQ(Setting(u"prevMailto"), kOtherCommand);

  RegisterMailto(registry, kProgram, false);
  EXPECT_EQ(registry.Find(kMailtoCommandKey, nullptr)->bytes, before->bytes);
  EXPECT_EQ(Icon(), kOtherIcon);
}

TEST_F(ShellEntriesTest, OnAProfileWithoutMailtoUnregisterRemovesBothKeys) {
  RegisterMailto(registry, kProgram, true);
  EXPECT_EQ(Command(), kOurCommand);
  EXPECT_EQ(Setting(u"prevMailto"), u"");
  EXPECT_EQ(Setting(u"prevMailtoIcon"), u"");

  RegisterMailto(registry, kProgram, false);
  EXPECT_FALSE(registry.HasKey(kMailtoCommandKey));
  EXPECT_FALSE(registry.HasKey(kMailtoIconKey));
  EXPECT_TRUE(registry.HasKey(u"software\\classes\\mailto\\shell\\open"));
}

TEST_F(ShellEntriesTest, UnregisterWhileAnotherProgramIsTheHandlerChangesNothing) {
  registry.PutString(kMailtoCommandKey, nullptr, kOtherCommand);
  registry.PutString(kSettingsKey, u"prevMailto", u"\"C:\\older.exe\" %1");
  RegisterMailto(registry, kProgram, false);
  EXPECT_EQ(Command(), kOtherCommand);
  EXPECT_FALSE(registry.HasKey(kMailtoIconKey));
  EXPECT_EQ(Setting(u"prevMailto"), u"\"C:\\older.exe\" %1");
}

TEST_F(ShellEntriesTest, HandlerWithoutTakeOverGetsTheDefaultsBack) {
  // An installer wrote our command line; nothing was remembered.
  registry.PutString(kMailtoCommandKey, nullptr, kOurCommand);
  registry.PutString(kMailtoIconKey, nullptr, kOurIcon);
  RegisterMailto(registry, kProgram, false);
  EXPECT_EQ(Command(), std::u16string(kDefaultPrevMailto));
  EXPECT_EQ(Icon(), std::u16string(kDefaultPrevMailtoIcon));
  EXPECT_EQ(std::u16string(kDefaultPrevMailto).size(), 64u);
  EXPECT_EQ(std::u16string(kDefaultPrevMailtoIcon).size(), 46u);
}

TEST_F(ShellEntriesTest, GiveBackLeavesAMissingIconKeyMissing) {
  registry.PutString(kMailtoCommandKey, nullptr, kOurCommand);
  registry.PutString(kSettingsKey, u"prevMailto", kOtherCommand);
  registry.PutString(kSettingsKey, u"prevMailtoIcon", kOtherIcon);
  RegisterMailto(registry, kProgram, false);
  EXPECT_EQ(Command(), kOtherCommand);
  EXPECT_FALSE(registry.HasKey(kMailtoIconKey));
}

TEST_F(ShellEntriesTest, AMovedProgramTakesOverItsOldCommandLine) {
  RegisterMailto(registry, kProgram, true);
  RegisterMailto(registry, u"D:\\Moved\\qptn.exe", true);
  EXPECT_EQ(Setting(u"prevMailto"), kOurCommand);
  EXPECT_EQ(Command(), u"\"D:\\Moved\\qptn.exe\" -mailto %1");
}

TEST_F(ShellEntriesTest, TakeOverOfAValueTooLongForItsBufferRemembersEmpty) {
  registry.PutString(kMailtoCommandKey, nullptr, std::u16string(300, u'y'));
  RegisterMailto(registry, kProgram, true);
  EXPECT_EQ(Setting(u"prevMailto"), u"");
  EXPECT_EQ(Command(), kOurCommand);
}

TEST_F(ShellEntriesTest, GiveBackOfANamedValueDeletesOnlyTheValue) {
  {
    RegistryEntry entry = MakeRunAtLoginEntry(registry, kProgram);
    entry.Set(true);
    entry.GiveBack(u"");
  }
  EXPECT_FALSE(registry.Find(kRunKey, kRunValue));
  EXPECT_TRUE(registry.HasKey(kRunKey));
}

TEST_F(ShellEntriesTest, WithoutAKeyNothingIsSetOrWritten) {
  registry.failCreate = true;
  RegisterMailto(registry, kProgram, true);
  EXPECT_FALSE(registry.HasKey(kMailtoCommandKey));
  RegistryEntry entry = MakeRunAtLoginEntry(registry, kProgram);
  entry.Set(true);
  EXPECT_FALSE(entry.IsSet());
}

}  // namespace
}  // namespace qptn
