// Whether the browser runs in Internet Explorer's protected mode, as ieframe.dll answers.
#pragma once

#include <cstdint>

namespace gwax {

// 1 or 0; the answer is kept for the life of the loaded library
// (ProtectedModeCache), unless the question itself failed.
int32_t BrowserProtectedMode();

}  // namespace gwax
