// Owner of an open registry key.
#pragma once

#include <windows.h>

#include "common/win32/unique_resource_win.h"

namespace qp {

struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static bool IsValid(HKEY k) { return k != nullptr; }
  static void Close(HKEY k) { RegCloseKey(k); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

}  // namespace qp
