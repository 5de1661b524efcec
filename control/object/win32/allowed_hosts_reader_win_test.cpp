// Hosts an administrator allows in the registry, read as a member is checked.
#include "control/object/win32/allowed_hosts_reader_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win32/registry_key_win.h"
#include "control/object/win32/fake_container_win.h"

namespace gwax {
namespace {

class PolicyValue {
 public:
  PolicyValue(DWORD type, const std::wstring& data) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vantrell\\GatherwickAX", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    key_.Reset(key);
    RegSetValueExW(key, L"AllowedHosts", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  ~PolicyValue() { RegDeleteValueW(key_.Get(), L"AllowedHosts"); }

 private:
  qp::UniqueRegKey key_;
};

TEST_F(ComTest, AdministratorListsFurtherHosts) {
  SetEnvironmentVariableW(L"QP_TEST_HOST", L"127.0.0.1");
  for (DWORD type : {static_cast<DWORD>(REG_SZ), static_cast<DWORD>(REG_MULTI_SZ),
                     static_cast<DWORD>(REG_EXPAND_SZ)}) {
    const std::wstring value = type == REG_SZ          ? std::wstring(L"intranet.example; 127.0.0.1")
                               : type == REG_EXPAND_SZ ? std::wstring(L"intranet.example,%QP_TEST_HOST%")
                                                       : std::wstring(L"intranet.example") + L'\0' +
                                                             L"127.0.0.1" + L'\0';
    PolicyValue policy(type, value);
    // The listed address however the page writes it.
    FakeSite site(L"http://0x7f.1:8080/mail/read.php", nullptr, true);
    auto control = NewControl();
    control.As<IOleObject>(IID_IOleObject)->SetClientSite(&site);
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(S_OK)) << type;
    control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
  }
  FakeSite site(L"http://127.0.0.1:8080/mail/read.php", nullptr, true);
  auto control = NewControl();
  control.As<IOleObject>(IID_IOleObject)->SetClientSite(&site);
  EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED)) << "value removed";
  control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
}

std::wstring Repeated(const std::wstring& text, size_t times) {
  std::wstring out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

// The adapter itself: what it takes from the registry value and what it
// leaves, before the host rules parse it.
TEST(AllowedHostsReader, ReadsStringValuesOnly) {
  SetEnvironmentVariableW(L"QP_TEST_HOST", L"127.1");
  EXPECT_TRUE(ReadExtraAllowedHosts().empty()) << "no value";
  struct Case {
    const char* label;
    DWORD type;
    std::wstring data;
    std::vector<std::u16string> hosts;
  };
  const Case cases[] = {
      {"REG_SZ", REG_SZ, L"Intranet.Example; 127.0.0.1", {u"intranet.example", u"127.0.0.1"}},
      {"REG_MULTI_SZ", REG_MULTI_SZ, std::wstring(L"a.example\0b.example\0", 20),
       {u"a.example", u"b.example"}},
      {"REG_EXPAND_SZ", REG_EXPAND_SZ, L"a.example;%QP_TEST_HOST%;%QP_UNSET%",
       {u"a.example", u"127.0.0.1"}},
      {"REG_BINARY", REG_BINARY, L"a.example", {}},
      {"just under 64 KiB", REG_SZ, Repeated(L"a.example;", 3200),
       std::vector<std::u16string>(3200, u"a.example")},
      {"over 64 KiB", REG_SZ, Repeated(L"a.example;", 3300), {}},
  };
  for (const auto& c : cases) {
    PolicyValue policy(c.type, c.data);
    EXPECT_EQ(ReadExtraAllowedHosts(), c.hosts) << c.label;
  }
  EXPECT_TRUE(ReadExtraAllowedHosts().empty()) << "value removed";
}

}  // namespace
}  // namespace gwax
