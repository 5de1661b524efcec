// HRESULT values that the portable half of the control returns, so that it
// needs no Windows headers. They equal the system's.
#pragma once

#include <cstdint>

namespace gwax {

using Result = int32_t;
inline constexpr Result kOk = 0;
inline constexpr Result kNotImplemented = static_cast<Result>(0x80004001u);
inline constexpr Result kFail = static_cast<Result>(0x80004005u);
inline constexpr Result kAccessDenied = static_cast<Result>(0x80070005u);

inline bool Failed(Result r) { return r < 0; }

}  // namespace gwax
