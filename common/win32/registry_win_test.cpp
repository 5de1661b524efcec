// The registry port on the system's registry: the cases every port answers
// alike, below scratch keys that each test clears first.
#include "common/win32/registry_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/registry_contract.h"

namespace qp {
namespace {

struct SystemEnvironment {
  Win32Registry port;
  void Clear() {
    for (RegistryRoot root :
         {RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine, RegistryRoot::kClassesRoot}) {
      port.DeleteTree(root, kContractScratch);
    }
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(System, RegistryContract, SystemEnvironment);

TEST(RegStatus, MatchesTheSystemsConversion) {
  for (DWORD code : {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_MORE_DATA,
                     ERROR_KEY_DELETED, ERROR_BADKEY}) {
    EXPECT_EQ(RegStatus(code).AsResult(), HRESULT_FROM_WIN32(code)) << code;
  }
}

}  // namespace
}  // namespace qp
