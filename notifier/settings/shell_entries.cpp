#include "notifier/settings/shell_entries.h"

#include <cstring>
#include <vector>

#include "notifier/settings/settings.h"

namespace qptn {

RegistryEntry::RegistryEntry(qp::RegistryPort& registry, std::u16string subkey,
                             std::optional<std::u16string> valueName,
                             std::u16string_view programPath, std::u16string_view suffix)
    : registry_(registry), subkey_(std::move(subkey)), valueName_(std::move(valueName)) {
  if (valueName_ && valueName_->size() > 31) valueName_->resize(31);
  key_ =
      registry_.CreateKey(qp::RegistryRoot::kCurrentUser, subkey_, qp::RegistryAccess::kAll).key;
  expected_ = u"\"";
  expected_ += programPath;
  expected_ += u"\"";
  expected_ += suffix;
  if (expected_.size() > kExpectedLimit) expected_.resize(kExpectedLimit);
}

bool RegistryEntry::IsSet() {
  if (key_ == nullptr) return false;
  std::vector<char> buffer(kTestBufferBytes, '\0');
  uint32_t bytes = kTestBufferBytes;
  if (!key_->QueryValue(Name(), nullptr, buffer.data(), bytes).Ok()) return false;
  const uint32_t expectedBytes = static_cast<uint32_t>((expected_.size() + 1) * 2);
  return bytes == expectedBytes && std::memcmp(buffer.data(), expected_.c_str(), bytes) == 0;
}

void RegistryEntry::Write(const std::u16string& text) {
  if (key_ == nullptr) return;
  key_->SetValue(Name(), qp::RegType::kString, text.c_str(),
                 static_cast<uint32_t>((text.size() + 1) * 2));
}

void RegistryEntry::Set(bool on) {
  if (on) {
    Write(expected_);
  } else if (key_ != nullptr) {
    key_->DeleteValue(Name());
  }
}

std::u16string RegistryEntry::TakeOver() {
  std::u16string previous;
  if (key_ != nullptr) {
    std::vector<char16_t> buffer(kTakeOverBufferBytes / 2, u'\0');
    uint32_t bytes = kTakeOverBufferBytes;
    // A value too long for the buffer leaves nothing usable: remembered as empty.
    if (key_->QueryValue(Name(), nullptr, buffer.data(), bytes).Ok()) {
      const size_t units = bytes / 2;
      size_t length = 0;
      while (length < units && buffer[length] != u'\0') ++length;
      previous.assign(buffer.data(), length);
    }
  }
  Write(expected_);
  return previous;
}

void RegistryEntry::GiveBack(const std::u16string& previous) {
  if (!previous.empty()) {
    Write(previous);
  } else if (valueName_) {
    if (key_ != nullptr) key_->DeleteValue(Name());
  } else {
    key_.reset();
    registry_.DeleteKey(qp::RegistryRoot::kCurrentUser, subkey_);
  }
}

RegistryEntry MakeRunAtLoginEntry(qp::RegistryPort& registry, std::u16string_view programPath) {
  return RegistryEntry(registry, kRunKey, std::u16string(kRunValue), programPath, u"");
}

void RegisterMailto(qp::RegistryPort& registry, std::u16string_view programPath, bool enable) {
  StringSetting prevMailto(u"prevMailto", kDefaultPrevMailto);
  StringSetting prevMailtoIcon(u"prevMailtoIcon", kDefaultPrevMailtoIcon);
  RegistryEntry command(registry, kMailtoCommandKey, std::nullopt, programPath,
                        kMailtoCommandSuffix);
  RegistryEntry icon(registry, kMailtoIconKey, std::nullopt, programPath, kMailtoIconSuffix);
  const bool isHandler = command.IsSet();
  if (enable && !isHandler) {
    prevMailto.value = command.TakeOver();
    prevMailtoIcon.value = icon.TakeOver();
  } else if (!enable && isHandler) {
    command.GiveBack(prevMailto.value);
    icon.GiveBack(prevMailtoIcon.value);
  }
}

}  // namespace qptn
