// The settings and the shell entries on the system's registry. Each test
// clears the keys it works below first.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/memory_registry.h"
#include "common/win32/registry_key_win.h"
#include "common/win32/registry_win.h"
#include "common/win32/wide_win.h"
#include "notifier/settings/settings.h"
#include "notifier/settings/shell_entries.h"

namespace qptn {
namespace {

using qp::StringBytes;

std::u16string ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return qp::FromWide(path);
}

// The stored type and bytes of a value, or type REG_NONE and "missing".
std::pair<DWORD, std::string> Stored(const char16_t* subkey, const char16_t* name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, qp::Wide(subkey), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return {REG_NONE, "no key"};
  }
  qp::UniqueRegKey key(opened);
  DWORD type = 0, size = 0;
  std::string bytes = "missing";
  if (RegQueryValueExW(key.Get(), qp::Wide(name), nullptr, &type, nullptr, &size) ==
      ERROR_SUCCESS) {
    bytes.assign(size, '\0');
    RegQueryValueExW(key.Get(), qp::Wide(name), nullptr, &type,
                     reinterpret_cast<BYTE*>(bytes.data()), &size);
  }
  return {type, bytes};
}

bool HasKey(const char16_t* subkey) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, qp::Wide(subkey), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return false;
  }
  qp::UniqueRegKey key(opened);
  return true;
}

void PutString(const char16_t* subkey, const char16_t* name, const std::u16string& text) {
  qp::Win32Registry registry;
  qp::OpenedKey opened =
      registry.CreateKey(qp::RegistryRoot::kCurrentUser, subkey, qp::RegistryAccess::kAll);
  ASSERT_TRUE(opened.status.Ok()) << opened.status.Code();
  opened.key->SetValue(name, qp::RegType::kString, text.c_str(),
                       static_cast<uint32_t>((text.size() + 1) * 2));
}

class RegistryWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"software\\classes\\mailto");
    RegDeleteTreeW(HKEY_CURRENT_USER, qp::Wide(kSettingsKey));
    setting_base::UseRegistry(&registry);
  }
  void TearDown() override { setting_base::UseRegistry(nullptr); }

  qp::Win32Registry registry;
};

TEST_F(RegistryWinTest, SettingsStoreTheirTypesAndReadForeignStrings) {
  {
    IntSetting freq(u"freq", 10);
    BoolSetting sound(u"sound", true);
    StringSetting host(u"host", u"mail.example");
    SecureStringSetting address(u"d1", u"");
    address.value = u"ann@example.org";
  }
  EXPECT_EQ(Stored(kSettingsKey, u"freq"), (std::pair<DWORD, std::string>{REG_DWORD, std::string("\x0a\0\0\0", 4)}));
  EXPECT_EQ(Stored(kSettingsKey, u"sound").second, std::string("\x01\0\0\0", 4));
  EXPECT_EQ(Stored(kSettingsKey, u"host"), (std::pair<DWORD, std::string>{REG_SZ, StringBytes(u"mail.example")}));
  EXPECT_NE(Stored(kSettingsKey, u"d1").second, StringBytes(u"ann@example.org"));
  EXPECT_EQ(Stored(kSettingsKey, u"d1").second.size(), StringBytes(u"ann@example.org").size());

  // Another program's string without its terminator loses its last character.
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, qp::Wide(kSettingsKey), 0, KEY_ALL_ACCESS, &opened),
            ERROR_SUCCESS);
  qp::UniqueRegKey key(opened);
  // Six bytes of "abcd": the system adds a terminator only when the next
  // unit in memory already is one.
  RegSetValueExW(key.Get(), L"host", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abcd"), 6);
  key.Reset();
  StringSetting host(u"host", u"x");
  SecureStringSetting address(u"d1", u"");
  EXPECT_EQ(host.value, u"ab");
  EXPECT_EQ(address.value, u"ann@example.org");
}

TEST_F(RegistryWinTest, RunAtLoginHoldsTheQuotedProgramPath) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, qp::Wide(kRunKey), L"qptn");
  {
    RegistryEntry entry = MakeRunAtLoginEntry(registry, ProgramPath());
    EXPECT_FALSE(entry.IsSet());
    entry.Set(true);
    EXPECT_TRUE(entry.IsSet());
  }
  EXPECT_EQ(Stored(kRunKey, u"qptn"),
            (std::pair<DWORD, std::string>{REG_SZ, StringBytes(u"\"" + ProgramPath() + u"\"")}));
  MakeRunAtLoginEntry(registry, ProgramPath()).Set(false);
  EXPECT_EQ(Stored(kRunKey, u"qptn").second, "missing");
}

TEST_F(RegistryWinTest, MailtoOverAnotherHandlerIsRestoredByteForByte) {
  const std::u16string other = u"\"C:\\Mail\\Other Mail.exe\" /compose \"%1\"";
  const std::u16string otherIcon = u"\"C:\\Mail\\Other Mail.exe\",2";
  PutString(kMailtoCommandKey, nullptr, other);
  PutString(kMailtoIconKey, nullptr, otherIcon);
  const auto before = Stored(kMailtoCommandKey, nullptr);
  const auto beforeIcon = Stored(kMailtoIconKey, nullptr);

  RegisterMailto(registry, ProgramPath(), true);
  EXPECT_EQ(Stored(kMailtoCommandKey, nullptr).second,
            StringBytes(u"\"" + ProgramPath() + u"\" -mailto %1"));
  EXPECT_EQ(Stored(kMailtoIconKey, nullptr).second, StringBytes(u"\"" + ProgramPath() + u"\",0"));
  EXPECT_EQ(Stored(kSettingsKey, u"prevMailto").second, StringBytes(other));

  RegisterMailto(registry, ProgramPath(), false);
  EXPECT_EQ(Stored(kMailtoCommandKey, nullptr), before);
  EXPECT_EQ(Stored(kMailtoIconKey, nullptr), beforeIcon);
}

TEST_F(RegistryWinTest, UnregisterOnAProfileThatNeverHadMailtoCreatesNoKey) {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"software\\classes\\mailto");
  RegisterMailto(registry, ProgramPath(), false);
  EXPECT_FALSE(HasKey(u"software\\classes\\mailto"));
}

TEST_F(RegistryWinTest, MailtoOnAProfileWithoutItLeavesOnlyShellOpen) {
  RegisterMailto(registry, ProgramPath(), true);
  EXPECT_TRUE(HasKey(kMailtoCommandKey));
  EXPECT_EQ(Stored(kSettingsKey, u"prevMailto").second, StringBytes(u""));
  RegisterMailto(registry, ProgramPath(), false);
  EXPECT_FALSE(HasKey(kMailtoCommandKey));
  EXPECT_FALSE(HasKey(kMailtoIconKey));
  EXPECT_TRUE(HasKey(u"software\\classes\\mailto\\shell\\open"));
}

}  // namespace
}  // namespace qptn
