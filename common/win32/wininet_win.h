// Owner of WinINet handles (session, connection, request). Kept apart from
// the WinHTTP owner: MinGW's <wininet.h> and <winhttp.h> cannot be compiled
// in the same file.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "common/win32/unique_resource_win.h"

namespace qp {

struct InternetTraits {
  static HINTERNET Invalid() { return nullptr; }
  static bool IsValid(HINTERNET h) { return h != nullptr; }
  static void Close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = UniqueResource<HINTERNET, InternetTraits>;

}  // namespace qp
