// Owners of kernel handles, directory searches, loaded modules and menus,
// and a bounded hold on a mutex.
#pragma once

#include <windows.h>

#include <utility>

#include "common/win32/unique_resource_win.h"

namespace qp {

struct HandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, HandleTraits>;

// Closes the handle now and says whether the system closed it: for a file
// written through it, a failed close can mean data that never reached the disk.
inline bool CloseReported(UniqueHandle& handle) {
  if (!handle) return true;
  return CloseHandle(handle.Release()) != FALSE;
}

// A directory search from FindFirstFileW.
struct FindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) { FindClose(h); }
};
using UniqueFind = UniqueResource<HANDLE, FindTraits>;

struct LibraryTraits {
  static HMODULE Invalid() { return nullptr; }
  static bool IsValid(HMODULE m) { return m != nullptr; }
  static void Close(HMODULE m) { FreeLibrary(m); }
};
using UniqueLibrary = UniqueResource<HMODULE, LibraryTraits>;

struct MenuTraits {
  static HMENU Invalid() { return nullptr; }
  static bool IsValid(HMENU m) { return m != nullptr; }
  static void Close(HMENU m) { DestroyMenu(m); }
};
using UniqueMenu = UniqueResource<HMENU, MenuTraits>;

// A mutex that this thread owns until the owner goes. The wait is bounded:
// when another thread keeps the mutex longer than `timeoutMs`, the owner
// holds nothing and the caller goes on without it.
class MutexLock {
 public:
  MutexLock(HANDLE mutex, DWORD timeoutMs) : mutex_(mutex) {
    if (!mutex_) return;
    const DWORD status = WaitForSingleObject(mutex_, timeoutMs);
    if (status != WAIT_OBJECT_0 && status != WAIT_ABANDONED) mutex_ = nullptr;
  }
  ~MutexLock() { Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;
  void Unlock() {
    if (mutex_) ReleaseMutex(std::exchange(mutex_, nullptr));
  }

 private:
  HANDLE mutex_;
};

}  // namespace qp
