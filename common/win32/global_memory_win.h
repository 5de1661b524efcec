// Owner of a global memory block (what the clipboard trades in) and of a
// lock on one.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/win32/unique_resource_win.h"

namespace qp {

struct GlobalTraits {
  static HGLOBAL Invalid() { return nullptr; }
  static bool IsValid(HGLOBAL g) { return g != nullptr; }
  static void Close(HGLOBAL g) { GlobalFree(g); }
};
// Give it up with Release() once the clipboard took the block.
using UniqueGlobal = UniqueResource<HGLOBAL, GlobalTraits>;

// The block's bytes, locked until the owner goes. Data() is null when the
// block could not be locked; Size() is what the system reports.
class GlobalLock {
 public:
  explicit GlobalLock(HGLOBAL block)
      : block_(block), data_(block ? ::GlobalLock(block) : nullptr),
        size_(data_ ? GlobalSize(block) : 0) {}
  ~GlobalLock() {
    if (data_) GlobalUnlock(block_);
  }
  GlobalLock(const GlobalLock&) = delete;
  GlobalLock& operator=(const GlobalLock&) = delete;

  void* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  HGLOBAL block_;
  void* data_;
  size_t size_;
};

}  // namespace qp
