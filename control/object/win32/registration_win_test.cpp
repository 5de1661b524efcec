// Registration in this program's own Wine prefix.
#include "control/object/win32/registration_win.h"

#include <gtest/gtest.h>

#include "common/win32/registry_key_win.h"
#include "control/object/win32/fake_container_win.h"

namespace gwax {
namespace {

TEST_F(ComTest, RegistrationRestoresTheThreadLocale) {
  const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
  const LCID before = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(german));
  EXPECT_EQ(Hex(RegisterServer()), Hex(S_OK));
  EXPECT_EQ(GetThreadLocale(), german);
  EXPECT_EQ(Hex(UnregisterServer()), Hex(S_OK));
  EXPECT_EQ(GetThreadLocale(), german);
  SetThreadLocale(before);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS)
      << "unregistered again";
  qp::UniqueRegKey opened(key);
}

}  // namespace
}  // namespace gwax
