// Setting objects: each reads one named value of the notifier's settings key
// when it is constructed and writes its current value back when it is
// destroyed, so a value that was missing is created with its default by the
// first object that reads it. All living objects share one open key.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/registry.h"

namespace qptn {

inline constexpr char16_t kSettingsKey[] = u"Software\\Vantrell\\QPTN\\Settings";

class setting_base {
 public:
  virtual ~setting_base();
  // Writes the current value without destroying the object.
  virtual void save() = 0;

  setting_base(const setting_base&) = delete;
  setting_base& operator=(const setting_base&) = delete;

  const std::u16string& name() const { return name_; }

  // The registry the settings live in. Bind it before the first setting
  // object exists; with none bound every read gives its default and every
  // write is dropped, as when the key cannot be opened.
  static void UseRegistry(qp::RegistryPort* registry);
  static unsigned LivingCount() { return living_; }
  // Whether the shared key is open; meaningful while a setting object lives.
  static bool KeyOpen() { return Key() != nullptr; }

 protected:
  explicit setting_base(std::u16string name);

  // The shared key; null when it could not be opened.
  static qp::RegistryKey* Key() { return SharedKey().get(); }

 private:
  static std::unique_ptr<qp::RegistryKey>& SharedKey();

  static qp::RegistryPort* registry_;
  static unsigned living_;
  std::u16string name_;
};

class dword_setting : public setting_base {
 protected:
  using setting_base::setting_base;
  uint32_t ReadDword(uint32_t defaultValue) const;
  void WriteDword(uint32_t value) const;
};

class BoolSetting : public dword_setting {
 public:
  BoolSetting(std::u16string name, bool defaultValue);
  ~BoolSetting() override;
  void save() override;
  bool value;
};

class IntSetting : public dword_setting {
 public:
  IntSetting(std::u16string name, int32_t defaultValue);
  ~IntSetting() override;
  void save() override;
  int32_t value;
};

class SizetSetting : public dword_setting {
 public:
  SizetSetting(std::u16string name, uint32_t defaultValue);
  ~SizetSetting() override;
  void save() override;
  uint32_t value;
};

class string_setting : public setting_base {
 protected:
  using setting_base::setting_base;
  // The stored text; nullopt when the value cannot be read.
  std::optional<std::u16string> ReadStored() const;
  std::u16string ReadString(std::u16string_view defaultValue) const;
  void WriteString(const std::u16string& value) const;
};

class StringSetting : public string_setting {
 public:
  StringSetting(std::u16string name, std::u16string_view defaultValue);
  ~StringSetting() override;
  void save() override;
  std::u16string value;
};

// Plain in memory, scrambled in the registry.
class SecureStringSetting : public string_setting {
 public:
  SecureStringSetting(std::u16string name, std::u16string_view defaultValue);
  ~SecureStringSetting() override;
  void save() override;
  std::u16string value;
  // Would store the value unscrambled; no setting of the notifier sets it.
  bool plain = false;
};

}  // namespace qptn
