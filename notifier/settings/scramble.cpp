#include "notifier/settings/scramble.h"

namespace qptn {
namespace {

void Substitute(char16_t& unit, const std::array<uint8_t, 256>& table) {
  const uint16_t value = unit;
  unit = static_cast<char16_t>((value & 0xFF00u) | table[value & 0xFFu]);
}

}  // namespace

// The last unit's table depends on the length; the running table of the
// others starts from the scrambled last unit, which unscrambling can read
// before it restores anything.
void Scramble(std::u16string& text) {
  const size_t n = text.size();
  if (n == 0) return;
  Substitute(text[n - 1], kScrambleTables[n % 5]);
  unsigned k = static_cast<uint16_t>(text[n - 1]) % 5;
  for (size_t i = 0; i + 1 < n; ++i) {
    Substitute(text[i], kScrambleTables[k]);
    k = (k + 1) % 5;
  }
}

void Unscramble(std::u16string& text) {
  const size_t n = text.size();
  if (n == 0) return;
  unsigned k = static_cast<uint16_t>(text[n - 1]) % 5;
  for (size_t i = 0; i + 1 < n; ++i) {
    Substitute(text[i], kUnscrambleTables[k]);
    k = (k + 1) % 5;
  }
  Substitute(text[n - 1], kUnscrambleTables[n % 5]);
}

}  // namespace qptn
