// The registry port on the real registry, and the settings and shell entries
// through it. Each test works below keys it clears first.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win32/wide_win.h"
#include "notifier/settings/memory_registry.h"
#include "notifier/settings/settings.h"
#include "notifier/settings/shell_entries.h"
#include "notifier/settings/win32/registry_win.h"

namespace qptn {
namespace {

constexpr char16_t kScratch[] = u"Software\\Vantrell\\QPTN\\TestScratch";

std::u16string ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return qp::FromWide(path);
}

// The stored type and bytes of a value, or type REG_NONE and "missing".
std::pair<DWORD, std::string> Stored(const char16_t* subkey, const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, qp::Wide(subkey), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return {REG_NONE, "no key"};
  }
  DWORD type = 0, size = 0;
  std::string bytes = "missing";
  if (RegQueryValueExW(key, qp::Wide(name), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    bytes.assign(size, '\0');
    RegQueryValueExW(key, qp::Wide(name), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                     &size);
  }
  RegCloseKey(key);
  return {type, bytes};
}

bool HasKey(const char16_t* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, qp::Wide(subkey), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void PutString(const char16_t* subkey, const char16_t* name, const std::u16string& text) {
  Win32Registry registry;
  RegistryPort::Key key = registry.CreateKey(subkey);
  ASSERT_NE(key, nullptr);
  registry.WriteValue(key, name, RegType::kString, text.c_str(),
                      static_cast<uint32_t>((text.size() + 1) * 2));
  registry.CloseKey(key);
}

class RegistryWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, qp::Wide(kScratch));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"software\\classes\\mailto");
    RegDeleteTreeW(HKEY_CURRENT_USER, qp::Wide(kSettingsKey));
    setting_base::UseRegistry(&registry);
  }
  void TearDown() override { setting_base::UseRegistry(nullptr); }

  Win32Registry registry;
};

TEST_F(RegistryWinTest, ValuesRoundTripWithTheirTypeAndSize) {
  const std::u16string nested = std::u16string(kScratch) + u"\\a\\b";
  RegistryPort::Key key = registry.CreateKey(nested);
  ASSERT_NE(key, nullptr);
  const uint32_t number = 0x12345678;
  EXPECT_TRUE(registry.WriteValue(key, u"n", RegType::kDword, &number, 4));
  EXPECT_TRUE(registry.WriteValue(key, nullptr, RegType::kString, u"dflt", 10));
  uint32_t size = 0;
  EXPECT_TRUE(registry.ValueSize(key, nullptr, size));
  EXPECT_EQ(size, 10u);
  char small[4];
  size = sizeof small;
  EXPECT_FALSE(registry.ReadValue(key, nullptr, small, size)) << "a short buffer must fail";
  EXPECT_EQ(size, 10u);
  uint32_t read = 0;
  size = 4;
  EXPECT_TRUE(registry.ReadValue(key, u"N", &read, size)) << "names ignore case";
  EXPECT_EQ(read, number);
  EXPECT_TRUE(registry.DeleteValue(key, u"n"));
  EXPECT_FALSE(registry.ValueSize(key, u"n", size));
  registry.CloseKey(key);

  EXPECT_FALSE(registry.DeleteKey(std::u16string(kScratch) + u"\\a")) << "it has a subkey";
  EXPECT_TRUE(registry.DeleteKey(nested));
  EXPECT_TRUE(HasKey((std::u16string(kScratch) + u"\\a").c_str()));
}

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
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, qp::Wide(kSettingsKey), 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  // Six bytes of "abcd": the system adds a terminator only when the next
  // unit in memory already is one.
  RegSetValueExW(key, L"host", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abcd"), 6);
  RegCloseKey(key);
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
