// Owner of memory that COM hands out with CoTaskMemAlloc (display names,
// strings from the shell).
#pragma once

#include <objbase.h>

#include "common/win32/unique_resource_win.h"

namespace qp {

template <typename T>
struct CoTaskMemTraits {
  static T* Invalid() { return nullptr; }
  static bool IsValid(T* p) { return p != nullptr; }
  static void Close(T* p) { CoTaskMemFree(p); }
};
template <typename T>
using UniqueCoTaskMem = UniqueResource<T*, CoTaskMemTraits<T>>;

}  // namespace qp
