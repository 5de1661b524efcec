// Owners of OLE Automation strings and VARIANTs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "common/win32/unique_resource_win.h"

namespace qp {

struct BstrTraits {
  static BSTR Invalid() { return nullptr; }
  static bool IsValid(BSTR b) { return b != nullptr; }
  static void Close(BSTR b) { SysFreeString(b); }
};
using UniqueBstr = UniqueResource<BSTR, BstrTraits>;

// The text of a BSTR, embedded NULs included; a null BSTR is empty.
inline std::u16string BstrText(BSTR text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text))
              : std::u16string();
}

// A VARIANT cleared when the owner goes.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  ~UniqueVariant() { VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  VARIANT* Get() { return &value_; }
  const VARIANT* Get() const { return &value_; }

 private:
  VARIANT value_;
};

}  // namespace qp
