#include "notifier/settings/settings.h"

#include <cstring>
#include <vector>

#include "notifier/settings/scramble.h"

namespace qptn {

qp::RegistryPort* setting_base::registry_ = nullptr;
unsigned setting_base::living_ = 0;

void setting_base::UseRegistry(qp::RegistryPort* registry) { registry_ = registry; }

// A function's own static: made while the first setting object is, so it
// outlives that object and every later one, the application's included,
// whichever file defines them.
std::unique_ptr<qp::RegistryKey>& setting_base::SharedKey() {
  static std::unique_ptr<qp::RegistryKey> key;
  return key;
}

setting_base::setting_base(std::u16string name) : name_(std::move(name)) {
  if (living_++ == 0 && registry_ != nullptr) {
    SharedKey() =
        registry_->CreateKey(qp::RegistryRoot::kCurrentUser, kSettingsKey, qp::RegistryAccess::kAll)
            .key;
  }
}

setting_base::~setting_base() {
  if (--living_ == 0) SharedKey().reset();
}

uint32_t dword_setting::ReadDword(uint32_t defaultValue) const {
  if (Key() == nullptr) return defaultValue;
  // The buffer starts as the default: a value shorter than four bytes only
  // replaces its leading bytes. A failed read leaves the buffer undefined,
  // so it goes through a copy.
  uint8_t buffer[4];
  std::memcpy(buffer, &defaultValue, 4);
  uint8_t read[4];
  uint32_t bytes = sizeof read;
  if (Key()->QueryValue(name().c_str(), nullptr, read, bytes).Ok()) std::memcpy(buffer, read, bytes);
  uint32_t value;
  std::memcpy(&value, buffer, 4);
  return value;
}

void dword_setting::WriteDword(uint32_t value) const {
  if (Key() != nullptr) Key()->SetValue(name().c_str(), qp::RegType::kDword, &value, 4);
}

std::u16string string_setting::ReadString(std::u16string_view defaultValue) const {
  std::optional<std::u16string> stored = ReadStored();
  return stored ? *std::move(stored) : std::u16string(defaultValue);
}

std::optional<std::u16string> string_setting::ReadStored() const {
  uint32_t bytes = 0;
  if (Key() == nullptr || !Key()->QueryValue(name().c_str(), nullptr, nullptr, bytes).Ok()) {
    return std::nullopt;
  }
  // Nothing the notifier writes has zero bytes; such a value reads as empty.
  if (bytes == 0) return std::u16string();
  std::vector<char> buffer(bytes, '\0');
  uint32_t got = bytes;
  // The value changed between the two queries: keep the default rather than
  // a buffer of NULs.
  if (!Key()->QueryValue(name().c_str(), nullptr, buffer.data(), got).Ok() || got != bytes) {
    return std::nullopt;
  }
  // The count excludes the stored terminator, so a value written without one
  // loses its last character.
  std::u16string text((bytes - 1) / 2, u'\0');
  std::memcpy(text.data(), buffer.data(), text.size() * 2);
  return text;
}

void string_setting::WriteString(const std::u16string& value) const {
  if (Key() == nullptr) return;
  Key()->SetValue(name().c_str(), qp::RegType::kString, value.c_str(),
                  static_cast<uint32_t>((value.size() + 1) * 2));
}

BoolSetting::BoolSetting(std::u16string name, bool defaultValue)
    : dword_setting(std::move(name)), value(ReadDword(defaultValue ? 1 : 0) != 0) {}
BoolSetting::~BoolSetting() { save(); }
void BoolSetting::save() { WriteDword(value ? 1 : 0); }

IntSetting::IntSetting(std::u16string name, int32_t defaultValue)
    : dword_setting(std::move(name)),
      value(static_cast<int32_t>(ReadDword(static_cast<uint32_t>(defaultValue)))) {}
IntSetting::~IntSetting() { save(); }
void IntSetting::save() { WriteDword(static_cast<uint32_t>(value)); }

SizetSetting::SizetSetting(std::u16string name, uint32_t defaultValue)
    : dword_setting(std::move(name)), value(ReadDword(defaultValue)) {}
SizetSetting::~SizetSetting() { save(); }
void SizetSetting::save() { WriteDword(value); }

StringSetting::StringSetting(std::u16string name, std::u16string_view defaultValue)
    : string_setting(std::move(name)), value(ReadString(defaultValue)) {}
StringSetting::~StringSetting() { save(); }
void StringSetting::save() { WriteString(value); }

// Only a stored text is unscrambled; a default is plain already.
SecureStringSetting::SecureStringSetting(std::u16string name, std::u16string_view defaultValue)
    : string_setting(std::move(name)) {
  std::optional<std::u16string> stored = ReadStored();
  if (!stored) {
    value = defaultValue;
    return;
  }
  value = *std::move(stored);
  if (!plain) Unscramble(value);
}
SecureStringSetting::~SecureStringSetting() { save(); }

// Scrambles in place for the write and restores the plain text after it.
void SecureStringSetting::save() {
  if (plain) {
    WriteString(value);
    return;
  }
  Scramble(value);
  WriteString(value);
  Unscramble(value);
}

}  // namespace qptn
