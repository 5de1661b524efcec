// What the control writes to and removes from HKEY_CLASSES_ROOT, against a registry port.
//
// The port lets the exact keys be checked without a registry.
#pragma once

#include <string>
#include <string_view>

#include "common/hresult.h"

namespace gwax {

// Keys are paths below HKEY_CLASSES_ROOT. Results are HRESULTs.
class ClassesRootPort {
 public:
  virtual ~ClassesRootPort() = default;
  // Creates `key` and its parents when missing and sets a string value;
  // an empty `name` is the key's default value.
  virtual qp::Result SetString(std::u16string_view key, std::u16string_view name,
                           std::u16string_view value) = 0;
  virtual qp::Result CreateKey(std::u16string_view key) = 0;
  // Deletes `key` with everything below it; a key that is not there counts
  // as deleted.
  virtual qp::Result DeleteTree(std::u16string_view key) = 0;
};

// The type library that the library file carries.
class TypeLibraryPort {
 public:
  virtual ~TypeLibraryPort() = default;
  virtual qp::Result Register() = 0;
  virtual qp::Result Unregister() = 0;
};

// AppID, ProgID and class entries, then the type library; the older
// control's entries are removed after a complete registration.
qp::Result RegisterControl(ClassesRootPort& root, TypeLibraryPort& typeLibrary,
                       std::u16string_view modulePath);

// The class entries, the type library and, after that succeeded, the AppID
// entries. The AppID and CLSID parents stay.
qp::Result UnregisterControl(ClassesRootPort& root, TypeLibraryPort& typeLibrary);

// The older control's AppID entries, then its ProgIDs and class key.
qp::Result RemoveOlderControl(ClassesRootPort& root);

}  // namespace gwax
