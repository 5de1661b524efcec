// COM (or OLE) initialised on this thread for the owner's lifetime.
#pragma once

#include <objbase.h>
#include <ole2.h>

namespace qp {

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

// OLE initialised on this thread for the owner's lifetime (as COM, plus
// the clipboard, drag and drop and the shell's newer dialogs).
class OleInitialization {
 public:
  OleInitialization() : result_(OleInitialize(nullptr)) {}
  ~OleInitialization() {
    if (SUCCEEDED(result_)) OleUninitialize();
  }
  OleInitialization(const OleInitialization&) = delete;
  OleInitialization& operator=(const OleInitialization&) = delete;

 private:
  HRESULT result_;
};

}  // namespace qp
