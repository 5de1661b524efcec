#include "notifier/settings/accessors.h"

#include <algorithm>

#include "notifier/app/constants.h"
#include "notifier/settings/settings.h"

namespace qptn {
namespace {

std::u16string SlotName(char16_t letter, unsigned slot) {
  return std::u16string{letter, static_cast<char16_t>(u'1' + slot)};
}

char16_t Folded(char16_t c) { return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c; }

}  // namespace

unsigned ReadCheckInterval(bool internalAccount) {
  IntSetting freq(u"freq", 10);
  const int32_t floor = internalAccount ? 2 : 5;
  return static_cast<unsigned>(std::clamp<int32_t>(freq.value, floor, 240));
}

void WriteCheckInterval(int32_t minutes) {
  IntSetting freq(u"freq", 10);
  freq.value = minutes;
}

unsigned ReadShowLimit() {
  SizetSetting limit(u"showLimit", 5);
  return std::clamp<uint32_t>(limit.value, 1, 30);
}

void WriteShowLimit(uint32_t limit) {
  SizetSetting setting(u"showLimit", 5);
  setting.value = limit;
}

unsigned ReadPopupTime() {
  IntSetting show(u"show", 4);
  return static_cast<unsigned>(std::clamp<int32_t>(show.value, 3, 30));
}

void WritePopupTime(int32_t seconds) {
  IntSetting show(u"show", 4);
  show.value = seconds;
}

bool ReadSound() {
  BoolSetting sound(u"sound", true);
  return sound.value;
}

void WriteSound(bool on) {
  BoolSetting sound(u"sound", true);
  sound.value = on;
}

bool IsInternalAddress(std::u16string_view address) {
  const std::u16string needle = std::u16string(u"@") + kOwnMailDomain;
  auto it = std::search(address.begin(), address.end(), needle.begin(), needle.end(),
                        [](char16_t a, char16_t b) { return Folded(a) == Folded(b); });
  return it != address.end();
}

unsigned LoadAccounts(std::u16string* addresses, std::u16string* passwords, bool& internal,
                      unsigned slots) {
  internal = false;
  unsigned addressCount = 0;
  for (unsigned slot = 0; slot < slots; ++slot) {
    const SecureStringSetting address(SlotName(u'd', slot), u"");
    if (IsInternalAddress(address.value)) internal = true;
    if (address.value.empty()) break;
    addresses[addressCount++] = address.value;
  }
  unsigned passwordCount = 0;
  for (unsigned slot = 0; slot < slots; ++slot) {
    const SecureStringSetting password(SlotName(u'b', slot), u"");
    if (password.value.empty()) break;
    passwords[passwordCount++] = password.value;
  }
  return std::min(addressCount, passwordCount);
}

void SaveAccounts(const std::u16string* passwords, const std::u16string* addresses,
                  unsigned count) {
  for (unsigned slot = 0; slot < count; ++slot) {
    SecureStringSetting address(SlotName(u'd', slot), u"");
    address.value = addresses[slot];
  }
  {
    // With five accounts this is "d6", which no load reads.
    SecureStringSetting end(SlotName(u'd', count), u"");
    end.value.clear();
  }
  for (unsigned slot = 0; slot < count; ++slot) {
    SecureStringSetting password(SlotName(u'b', slot), u"");
    password.value = passwords[slot];
  }
}

}  // namespace qptn
