// Which pages may drive the control and which hosts clipboard uploads may go to.
//
// The control is marked safe for scripting, so any page could create it;
// these rules keep its members to the product's own pages, and those only
// over https: a page of the product's domain served in plain http could
// have been answered by anyone on the network. Plain http is accepted for
// the development hosts (loopback addresses, the staging host) and for
// hosts an administrator lists.
//
// Hosts are compared in one form: names on whole labels, in lower case,
// without one trailing dot; IP literals in their canonical text however
// the page writes them (ip_literal.h). The product's domain matches itself
// and its subdomains; listed hosts match exactly. Anything that a browser
// or an HTTP client might read as a different host than this parser does
// (user information before an ambiguous delimiter, backslashes, percent
// escapes, non-ASCII letters, a trailing dot after an IP literal) is
// refused rather than guessed at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gwax {

// A host name or IP literal in its compared form, or nothing when `host`
// is not a plain host: labels of letters, digits, "-" and "_" separated by
// single dots (one trailing dot allowed) whose last label is not a number,
// an IPv4 literal without a trailing dot, or an IPv6 literal in brackets.
std::optional<std::u16string> NormalisedHost(std::u16string_view host);

// What the check needs of a page address.
struct PageOrigin {
  bool secure = false;  // https
  std::u16string host;  // compared form
};

// The origin of an http or https page address. Other schemes (file:,
// about:, res:, javascript: ...), malformed authorities and ports above
// 65535 give nothing.
std::optional<PageOrigin> ParsePageAddress(std::u16string_view address);

// The upload target that PrepareClipboard's `host` names: a host name or
// IP literal and an optional port from 1 to 65535, nothing else.
struct UploadHost {
  std::u16string host;     // compared form
  std::u16string written;  // for the address: a name as the page wrote it, an IP literal canonical
  uint16_t port = 0;       // 0: the scheme's default
};
std::optional<UploadHost> ParseUploadHost(std::u16string_view hostArgument);

// The development hosts, served in plain http: loopback addresses
// ("localhost", 127.0.0.0/8, [::1]) and the staging host with its
// subdomains, except "www.staging..." and below, which are served over https.
bool IsDevelopmentHost(std::u16string_view host);

// "http://" for a development host, else "https://"; the host and the port:
// the base of the upload addresses.
std::u16string UploadBaseAddress(const UploadHost& target);

// The administrator's list: entries separated by ";", ",", blanks or NUL
// (so REG_SZ and REG_MULTI_SZ read the same), in compared form; malformed
// entries are dropped.
std::vector<std::u16string> ParseAllowedHosts(std::u16string_view value);

// `host` in compared form: on the product's domain or listed.
bool IsAllowedHost(std::u16string_view host, const std::vector<std::u16string>& extraHosts);

// An https page on an allowed host, or an http page on an allowed host that
// is listed or a development host.
bool IsAllowedPage(std::u16string_view address, const std::vector<std::u16string>& extraHosts);
bool IsAllowedUploadHost(std::u16string_view hostArgument,
                         const std::vector<std::u16string>& extraHosts);

}  // namespace gwax
