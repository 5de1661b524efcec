// Owner of WinHTTP handles (session, connection, request). Never include it
// beside <wininet.h>: MinGW's two headers declare the same names.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "common/win32/unique_resource_win.h"

namespace qp {

struct HttpTraits {
  static HINTERNET Invalid() { return nullptr; }
  static bool IsValid(HINTERNET h) { return h != nullptr; }
  static void Close(HINTERNET h) { WinHttpCloseHandle(h); }
};
using UniqueHttp = UniqueResource<HINTERNET, HttpTraits>;

}  // namespace qp
