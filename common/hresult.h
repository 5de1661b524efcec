// Result codes of the portable code: HRESULT values, zero or positive for
// success and negative for failure. They equal the system's own, so Windows
// callers compare them with their constants and return them as they are.
#pragma once

#include <cstdint>

namespace qp {

using Result = int32_t;

inline constexpr Result kOk = 0;
inline constexpr Result kENotImpl = static_cast<Result>(0x80004001u);
inline constexpr Result kEPointer = static_cast<Result>(0x80004003u);
inline constexpr Result kEFail = static_cast<Result>(0x80004005u);
inline constexpr Result kEAccessDenied = static_cast<Result>(0x80070005u);
inline constexpr Result kEOutOfMemory = static_cast<Result>(0x8007000Eu);
inline constexpr Result kEInvalidArg = static_cast<Result>(0x80070057u);

inline constexpr bool Succeeded(Result code) { return code >= 0; }
inline constexpr bool Failed(Result code) { return code < 0; }

}  // namespace qp
