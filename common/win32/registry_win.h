// The registry port over the system's registry.
#pragma once

#include "common/registry.h"

namespace qp {

class Win32Registry final : public RegistryPort {
 public:
  OpenedKey CreateKey(RegistryRoot root, std::u16string_view path,
                      RegistryAccess access) override;
  OpenedKey OpenKey(RegistryRoot root, std::u16string_view path, RegistryAccess access) override;
  RegStatus DeleteKey(RegistryRoot root, std::u16string_view path) override;
  RegStatus DeleteTree(RegistryRoot root, std::u16string_view path) override;
};

}  // namespace qp
