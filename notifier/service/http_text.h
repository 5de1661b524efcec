// The text the HTTP transport sends and reads, apart from the WinINet calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace QPTSoap {

// The header block of a service request: the SOAPAction line (with its
// CR LF) and the content type.
std::u16string RequestHeaders(std::u16string_view action_line);

// Percent-escapes the UTF-8 bytes of every character outside printable
// ASCII, so that the address reaches the URL canonicaliser as UTF-8.
std::u16string EscapeNonAscii(std::u16string_view address);

// The status code from the text of the status query; 0 when it is not a
// number.
int ParseStatusCode(std::u16string_view text);

inline uint16_t DefaultPort(bool https) { return https ? 443 : 80; }

}  // namespace QPTSoap
