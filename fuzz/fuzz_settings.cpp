// Registry values are outside input: another program, or a damaged profile,
// may store anything under the notifier's names. Every setting kind, the
// accessors, the account loader and the shell entries read arbitrary bytes
// of any type here, and what was read survives being written back: the
// accounts, the numbers as clamped and the shell entries as switched. The
// system's stored high-contrast flags are read from the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/memory_registry.h"
#include "fuzz/fuzz_check.h"
#include "notifier/popup/contrast_palette.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/scramble.h"
#include "notifier/settings/settings.h"
#include "notifier/settings/shell_entries.h"

namespace {

const char16_t* const kNames[] = {u"freq", u"showLimit", u"show", u"sound", u"host", u"d1",
                                  u"d2",   u"b1",        u"b2",   u"prevMailto"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qptn;
  using qp::RegType;
  qp::MemoryRegistry registry;
  setting_base::UseRegistry(&registry);
  // Chunks: one byte of name and type, one byte of length, then the bytes.
  size_t at = 0;
  while (at + 2 <= size) {
    const uint8_t selector = data[at];
    const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
    const std::string bytes(reinterpret_cast<const char*>(data + at + 2), length);
    at += 2 + length;
    const RegType type = (selector & 0x80) ? RegType::kString : RegType::kDword;
    const char16_t* name = kNames[(selector & 0x7F) % 10];
    if ((selector & 0x7F) >= 110) {
      registry.Put(kRunKey, kRunValue, type, bytes);
    } else if ((selector & 0x7F) >= 100) {
      registry.Put(kMailtoCommandKey, nullptr, type, bytes);
    } else {
      registry.Put(kSettingsKey, name, type, bytes);
    }
  }
  using qp_fuzz::Check;
  std::u16string addresses[kMaxAccounts], passwords[kMaxAccounts];
  bool internal = false;
  const unsigned count = LoadAccounts(addresses, passwords, internal, kMaxAccounts);
  Check(count <= kMaxAccounts);
  const unsigned interval = ReadCheckInterval(internal);
  const unsigned showLimit = ReadShowLimit();
  const unsigned popupTime = ReadPopupTime();
  Check(interval <= 240 && showLimit <= 30 && popupTime >= 3);
  const bool sound = ReadSound();
  {
    SecureStringSetting d(u"d1", u"");
    std::u16string copy = d.value;
    Scramble(copy);
    Unscramble(copy);
    Check(copy == d.value);
  }

  // Saved as read, read again: the same accounts and settings.
  SaveAccounts(passwords, addresses, count);
  WriteCheckInterval(static_cast<int32_t>(interval));
  WriteShowLimit(showLimit);
  WritePopupTime(static_cast<int32_t>(popupTime));
  WriteSound(sound);
  std::u16string addressesAgain[kMaxAccounts], passwordsAgain[kMaxAccounts];
  bool internalAgain = false;
  Check(LoadAccounts(addressesAgain, passwordsAgain, internalAgain, kMaxAccounts) == count);
  for (unsigned i = 0; i < count; ++i) {
    Check(addressesAgain[i] == addresses[i] && passwordsAgain[i] == passwords[i]);
  }
  Check(ReadCheckInterval(internal) == interval && ReadShowLimit() == showLimit &&
        ReadPopupTime() == popupTime && ReadSound() == sound);

  // Whatever the start-at-login value held, switching it works both ways.
  RegistryEntry login = MakeRunAtLoginEntry(registry, u"C:\\qptn.exe");
  login.IsSet();
  login.Set(true);
  Check(login.IsSet());
  login.Set(false);
  Check(!login.IsSet());
  RegisterMailto(registry, u"C:\\qptn.exe", true);
  RegisterMailto(registry, u"C:\\qptn.exe", false);
  setting_base::UseRegistry(nullptr);

  // The high-contrast flags: a number of at most nine digits, or nothing.
  std::u16string flags(size / 2, u'\0');
  for (size_t i = 0; i < flags.size(); ++i) {
    flags[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  if (const std::optional<uint32_t> stored = StoredContrastFlags(flags)) {
    Check(!flags.empty() && flags.size() <= 9 && *stored < 1000000000u);
    Check(flags.find_first_not_of(u"0123456789") == std::u16string::npos);
  }
  return 0;
}
