// Owner of memory that the system hands out with LocalAlloc (the argument
// vector of CommandLineToArgvW, FormatMessage buffers).
#pragma once

#include <windows.h>

#include "common/win32/unique_resource_win.h"

namespace qp {

template <typename T>
struct LocalMemoryTraits {
  static T Invalid() { return nullptr; }
  static bool IsValid(T p) { return p != nullptr; }
  static void Close(T p) { LocalFree(p); }
};
template <typename T>
using UniqueLocalMemory = UniqueResource<T, LocalMemoryTraits<T>>;

}  // namespace qp
