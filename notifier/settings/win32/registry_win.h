// The registry port over the current user's hive.
#pragma once

#include "notifier/settings/registry.h"

namespace qptn {

class Win32Registry : public RegistryPort {
 public:
  Key CreateKey(std::u16string_view subkey) override;
  void CloseKey(Key key) override;
  bool ValueSize(Key key, const char16_t* name, uint32_t& bytes) override;
  bool ReadValue(Key key, const char16_t* name, void* buffer, uint32_t& bytes) override;
  bool WriteValue(Key key, const char16_t* name, RegType type, const void* data,
                  uint32_t bytes) override;
  bool DeleteValue(Key key, const char16_t* name) override;
  bool DeleteKey(std::u16string_view subkey) override;
};

}  // namespace qptn
