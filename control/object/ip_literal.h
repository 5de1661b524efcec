// IP literals in host names, read the way browsers read them and written in one form.
//
// A page may name the same address in many ways ("127.1", "0x7f.0.0.1",
// "2130706433", "[0:0::1]"); comparing the written forms would let an
// allowed address slip past under another spelling, or refuse the same
// address spelled differently. Each reader gives the one canonical text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gwax {

// Whether the last label of `host` (a name without a trailing dot) is a
// number: decimal digits, or "0x" followed by hexadecimal digits. Such a
// host is an IPv4 literal or no valid host at all.
bool EndsInNumber(std::u16string_view host);

// The dotted-decimal form of an IPv4 literal of one to four parts, each
// decimal, octal (a leading "0") or hexadecimal ("0x"), the last part
// filling the bytes the others leave: "127.1" and "0x7f000001" give
// "127.0.0.1". Nothing when a part is empty, malformed or too large.
std::optional<std::u16string> CanonicalIpv4(std::u16string_view host);

// The text of an IPv6 address (what stands between the brackets) in the
// form RFC 5952 recommends: lower case, no leading zeros, the first
// longest run of two or more zero groups as "::", a trailing dotted IPv4
// part as two groups. Nothing for zone identifiers or malformed text.
std::optional<std::u16string> CanonicalIpv6(std::u16string_view address);

}  // namespace gwax
