// Registry values are outside input: another program, or a damaged profile,
// may store anything under the notifier's names. Every setting kind, the
// accessors, the account loader and the shell entries read arbitrary bytes
// of any type here.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/memory_registry.h"
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
    if ((selector & 0x7F) >= 100) {
      registry.Put(kMailtoCommandKey, nullptr, type, bytes);
    } else {
      registry.Put(kSettingsKey, name, type, bytes);
    }
  }
  std::u16string addresses[kMaxAccounts], passwords[kMaxAccounts];
  bool internal = false;
  const unsigned count = LoadAccounts(addresses, passwords, internal, kMaxAccounts);
  if (count > kMaxAccounts) __builtin_trap();
  if (ReadCheckInterval(internal) > 240 || ReadShowLimit() > 30 || ReadPopupTime() < 3) {
    __builtin_trap();
  }
  ReadSound();
  {
    SecureStringSetting d(u"d1", u"");
    std::u16string copy = d.value;
    Scramble(copy);
    Unscramble(copy);
    if (copy != d.value) __builtin_trap();
  }
  RegisterMailto(registry, u"C:\\qptn.exe", true);
  RegisterMailto(registry, u"C:\\qptn.exe", false);
  setting_base::UseRegistry(nullptr);
  return 0;
}
