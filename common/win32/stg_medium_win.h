// Owner of a storage medium that IDataObject::GetData filled.
#pragma once

#include <objidl.h>
#include <ole2.h>

namespace qp {

class UniqueStgMedium {
 public:
  UniqueStgMedium() = default;
  ~UniqueStgMedium() { Reset(); }
  UniqueStgMedium(const UniqueStgMedium&) = delete;
  UniqueStgMedium& operator=(const UniqueStgMedium&) = delete;

  // For GetData to fill; what was held before is released first.
  STGMEDIUM* Put() {
    Reset();
    return &medium_;
  }
  const STGMEDIUM& Get() const { return medium_; }
  void Reset() {
    if (medium_.tymed != TYMED_NULL) ReleaseStgMedium(&medium_);
    medium_ = STGMEDIUM{};
  }

 private:
  STGMEDIUM medium_{};
};

}  // namespace qp
