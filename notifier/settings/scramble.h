// Position-dependent byte substitution that keeps stored account addresses and
// passwords out of clear text in the registry. Only the low byte of each UTF-16
// unit is substituted, so the stored text has the same length, and since the
// tables keep 0 and map printable ASCII to printable ASCII, no unit becomes 0.
// It needs no key: equal texts give equal stored texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qptn {

using ScrambleTables = std::array<std::array<uint8_t, 256>, 5>;

// E0..E4 and their inverses D0..D4: Dk[Ek[b]] == b.
extern const ScrambleTables kScrambleTables;
extern const ScrambleTables kUnscrambleTables;

void Scramble(std::u16string& text);
void Unscramble(std::u16string& text);

}  // namespace qptn
