// Which pages may drive the control and which hosts clipboard uploads may go to.
//
// The control is marked safe for scripting, so any page could create it;
// these rules keep its members to the product's own pages.
//
// Host names are compared on whole labels, in lower case and without one
// trailing dot. The product's domain matches itself and its subdomains;
// hosts an administrator lists match exactly. Anything that a browser or the
// HTTP client might read as a different host than this parser does (user
// information before an ambiguous delimiter, backslashes, percent escapes,
// non-ASCII letters) is refused rather than guessed at.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gwax {

// A host name or IP literal in its compared form, or nothing when `host`
// is not a plain host: labels of letters, digits, "-" and "_" separated by
// single dots (one trailing dot allowed), or an IPv6 literal in brackets.
std::optional<std::u16string> NormalisedHost(std::u16string_view host);

// The host that an http or https page address names. Other schemes
// (file:, about:, res:, javascript: ...) and malformed authorities give
// nothing.
std::optional<std::u16string> PageHost(std::u16string_view address);

// The host of a clipboard upload target as the page passes it: a host with
// an optional ":port" and an optional plain path ("/dir/sub").
std::optional<std::u16string> UploadHost(std::u16string_view hostArgument);

// The administrator's list: entries separated by ";", ",", blanks or NUL
// (so REG_SZ and REG_MULTI_SZ read the same); malformed entries are dropped.
std::vector<std::u16string> ParseAllowedHosts(std::u16string_view value);

// `host` in compared form (NormalisedHost).
bool IsAllowedHost(std::u16string_view host, const std::vector<std::u16string>& extraHosts);

bool IsAllowedPage(std::u16string_view address, const std::vector<std::u16string>& extraHosts);
bool IsAllowedUploadHost(std::u16string_view hostArgument,
                         const std::vector<std::u16string>& extraHosts);

}  // namespace gwax
