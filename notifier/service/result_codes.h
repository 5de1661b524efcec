// HRESULT-style result codes of the service client: 0 or positive is
// success, negative is failure. The values are the system's own, so that
// Windows callers can compare them with their HRESULT constants.
#pragma once

#include <cstdint>

namespace QPTSoap {

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kEPointer = static_cast<int32_t>(0x80004003u);
inline constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kEOutOfMemory = static_cast<int32_t>(0x8007000Eu);
inline constexpr int32_t kEInvalidArg = static_cast<int32_t>(0x80070057u);

inline constexpr bool Succeeded(int32_t code) { return code >= 0; }
inline constexpr bool Failed(int32_t code) { return code < 0; }

}  // namespace QPTSoap
