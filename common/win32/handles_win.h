// One small owner per Win32 resource kind. Owners move, never copy, so that
// nothing is closed twice.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wininet.h>

#include <utility>

namespace qp {

template <typename T, typename Traits>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { Reset(); }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  T Get() const { return value_; }
  explicit operator bool() const { return Traits::IsValid(value_); }
  T Release() { return std::exchange(value_, Traits::Invalid()); }
  void Reset(T value = Traits::Invalid()) {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Invalid();
};

struct HandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, HandleTraits>;

struct MenuTraits {
  static HMENU Invalid() { return nullptr; }
  static bool IsValid(HMENU m) { return m != nullptr; }
  static void Close(HMENU m) { DestroyMenu(m); }
};
using UniqueMenu = UniqueResource<HMENU, MenuTraits>;

struct InternetTraits {
  static HINTERNET Invalid() { return nullptr; }
  static bool IsValid(HINTERNET h) { return h != nullptr; }
  static void Close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = UniqueResource<HINTERNET, InternetTraits>;

// COM pointers are held by Microsoft::WRL::ComPtr (<wrl/client.h>).

// COM initialised on this thread for the owner's lifetime.
class ComInitialization {
 public:
  explicit ComInitialization(DWORD model = COINIT_APARTMENTTHREADED)
      : result_(CoInitializeEx(nullptr, model)) {}
  ~ComInitialization() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComInitialization(const ComInitialization&) = delete;
  ComInitialization& operator=(const ComInitialization&) = delete;
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

// A mutex that this thread owns until the owner goes.
class MutexLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
    if (mutex_) WaitForSingleObject(mutex_, INFINITE);  // abandoned counts as owned
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
