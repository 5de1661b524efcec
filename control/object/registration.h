// What the control writes to and removes from HKEY_CLASSES_ROOT, through the registry port.
//
// Keys are paths below the classes root; results are HRESULTs, a registry
// failure the system's error code as HRESULT_FROM_WIN32 makes it.
#pragma once

#include <string>
#include <string_view>

#include "common/hresult.h"
#include "common/registry.h"

namespace gwax {

// The type library that the library file carries.
class TypeLibraryPort {
 public:
  virtual ~TypeLibraryPort() = default;
  virtual qp::Result Register() = 0;
  virtual qp::Result Unregister() = 0;
};

// AppID, ProgID and class entries, then the type library; the older
// control's entries are removed after a complete registration.
qp::Result RegisterControl(qp::RegistryPort& registry, TypeLibraryPort& typeLibrary,
                           std::u16string_view modulePath);

// The class entries, the type library and, after that succeeded, the AppID
// entries. The AppID and CLSID parents stay.
qp::Result UnregisterControl(qp::RegistryPort& registry, TypeLibraryPort& typeLibrary);

// The older control's AppID entries, then its ProgIDs and class key.
qp::Result RemoveOlderControl(qp::RegistryPort& registry);

}  // namespace gwax
