// Conversions between UTF-8 and UTF-16 for text from outside (server answers, the clipboard).
#pragma once

#include <string>
#include <string_view>

namespace qp {

// Ill-formed UTF-8 (a stray continuation byte, a cut sequence, an overlong
// form, a surrogate, a value above U+10FFFF) becomes U+FFFD, one for each
// maximal subpart as Unicode recommends and the system's converter does;
// nothing is dropped silently and nothing is read past the end.
std::u16string Utf16FromUtf8(std::string_view utf8);

// An unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view utf16);

}  // namespace qp
