// The name comparison against the system's own: what the file system
// holds as one file, the download list holds as one name.
#include <windows.h>

#include <gtest/gtest.h>

#include "control/downloads/file_name.h"

namespace gwax {
namespace {

TEST(FileNameWin, UpcaseAsTheSystemUpcases) {
  unsigned differ = 0;
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;  // no letters on their own
    const wchar_t unit = static_cast<wchar_t>(u);
    wchar_t system = unit;
    ASSERT_EQ(LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &unit, 1, &system, 1, nullptr,
                            nullptr, 0),
              1);
    const wchar_t ours = static_cast<wchar_t>(UpcaseNameUnit(static_cast<char16_t>(u)));
    // The ordinal comparison without regard to case is the file system's.
    const int ordinal = CompareStringOrdinal(&unit, 1, &ours, 1, TRUE);
    if (system != ours || ordinal != CSTR_EQUAL) {
      if (++differ <= 20) {
        ADD_FAILURE() << std::hex << "U+" << u << ": ours U+" << unsigned(ours) << ", the system's U+"
                      << unsigned(system);
      }
    }
  }
  EXPECT_EQ(differ, 0u);
}

}  // namespace
}  // namespace gwax
