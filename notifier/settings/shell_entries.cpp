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
  key_ = registry_.OpenKey(qp::RegistryRoot::kCurrentUser, subkey_, qp::RegistryAccess::kAll).key;
  expected_ = u"\"";
  expected_ += programPath;
  expected_ += u"\"";
  expected_ += suffix;
  if (expected_.size() > kExpectedLimit) expected_.resize(kExpectedLimit);
}

qp::RegistryKey* RegistryEntry::Key(bool create) {
  if (key_ == nullptr) {
    const qp::RegistryRoot root = qp::RegistryRoot::kCurrentUser;
    key_ = create ? registry_.CreateKey(root, subkey_, qp::RegistryAccess::kAll).key
                  : registry_.OpenKey(root, subkey_, qp::RegistryAccess::kAll).key;
  }
  return key_.get();
}

bool RegistryEntry::IsSet() {
  qp::RegistryKey* key = Key(false);
  if (key == nullptr) return false;
  std::vector<char> buffer(kTestBufferBytes, '\0');
  uint32_t bytes = kTestBufferBytes;
  if (!key->QueryValue(Name(), nullptr, buffer.data(), bytes).Ok()) return false;
  const uint32_t expectedBytes = static_cast<uint32_t>((expected_.size() + 1) * 2);
  return bytes == expectedBytes && std::memcmp(buffer.data(), expected_.c_str(), bytes) == 0;
}

void RegistryEntry::Write(qp::RegistryKey* key, const std::u16string& text) {
  if (key == nullptr) return;
  key->SetValue(Name(), qp::RegType::kString, text.c_str(),
                 static_cast<uint32_t>((text.size() + 1) * 2));
}

void RegistryEntry::Set(bool on) {
  if (on) {
    Write(Key(true), expected_);
  } else if (qp::RegistryKey* key = Key(false)) {
    key->DeleteValue(Name());
  }
}

std::u16string RegistryEntry::TakeOver() {
  std::u16string previous;
  if (qp::RegistryKey* key = Key(false)) {
    std::vector<char16_t> buffer(kTakeOverBufferBytes / 2, u'\0');
    uint32_t bytes = kTakeOverBufferBytes;
    // A value too long for the buffer leaves nothing usable: remembered as empty.
    if (key->QueryValue(Name(), nullptr, buffer.data(), bytes).Ok()) {
      const size_t units = bytes / 2;
      size_t length = 0;
      while (length < units && buffer[length] != u'\0') ++length;
      previous.assign(buffer.data(), length);
    }
  }
  Write(Key(true), expected_);
  return previous;
}

void RegistryEntry::GiveBack(const std::u16string& previous) {
  if (!previous.empty()) {
    Write(Key(false), previous);
  } else if (valueName_) {
    if (qp::RegistryKey* key = Key(false)) key->DeleteValue(Name());
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
