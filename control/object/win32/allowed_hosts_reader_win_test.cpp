// Hosts an administrator allows in the registry, read as a member is checked.
#include "control/object/win32/allowed_hosts_reader_win.h"

#include <gtest/gtest.h>

#include <string>

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
  for (DWORD type : {static_cast<DWORD>(REG_SZ), static_cast<DWORD>(REG_MULTI_SZ)}) {
    const std::wstring value = type == REG_SZ ? std::wstring(L"intranet.example; 127.0.0.1")
                                              : std::wstring(L"intranet.example") + L'\0' +
                                                    L"127.0.0.1" + L'\0';
    PolicyValue policy(type, value);
    FakeSite site(L"http://127.0.0.1:8080/mail/read.php", nullptr, true);
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

}  // namespace
}  // namespace gwax
