#include "control/object/host_policy.h"

#include "common/text.h"
#include "control/constants.h"
#include "control/object/ip_literal.h"

namespace gwax {
namespace {

constexpr size_t kMaxHostLength = 253;
constexpr size_t kMaxLabelLength = 63;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLabelChar(char16_t c) {
  return IsDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'-' || c == u'_';
}

// `host` is `domain` or one of its subdomains (both in compared form).
bool IsWithin(std::u16string_view host, std::u16string_view domain) {
  if (host == domain) return true;
  return host.size() > domain.size() && host.substr(host.size() - domain.size()) == domain &&
         host[host.size() - domain.size() - 1] == u'.';
}

bool IsListed(std::u16string_view host, const std::vector<std::u16string>& extraHosts) {
  for (const auto& extra : extraHosts) {
    if (host == extra) return true;
  }
  return false;
}

// A port of decimal digits: its value, or nothing above 65535.
std::optional<uint32_t> PortValue(std::u16string_view digits) {
  uint32_t value = 0;
  for (char16_t c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > 65535) return std::nullopt;
  }
  return value;
}

// "host[:port]" split: the host as written and the port's digits (empty
// without a port); nothing when the brackets don't close.
struct HostPort {
  std::u16string_view host;
  std::u16string_view port;
  bool hasPort = false;
};
std::optional<HostPort> SplitHostPort(std::u16string_view text) {
  size_t hostEnd;
  if (!text.empty() && text[0] == u'[') {
    hostEnd = text.find(u']');
    if (hostEnd == std::u16string_view::npos) return std::nullopt;
    ++hostEnd;
    if (hostEnd < text.size() && text[hostEnd] != u':') return std::nullopt;
  } else {
    hostEnd = text.find(u':');
    if (hostEnd == std::u16string_view::npos) hostEnd = text.size();
  }
  HostPort split;
  split.host = text.substr(0, hostEnd);
  if (hostEnd < text.size()) {
    split.hasPort = true;
    split.port = text.substr(hostEnd + 1);
  }
  return split;
}

}  // namespace

std::optional<std::u16string> NormalisedHost(std::u16string_view host) {
  if (host.empty() || host.size() > kMaxHostLength + 1) return std::nullopt;
  if (host.front() == u'[') {
    if (host.size() < 4 || host.back() != u']') return std::nullopt;
    const auto address = CanonicalIpv6(host.substr(1, host.size() - 2));
    if (!address) return std::nullopt;
    return u"[" + *address + u"]";
  }
  const bool trailingDot = host.back() == u'.';
  if (trailingDot) host.remove_suffix(1);
  if (host.empty() || host.size() > kMaxHostLength) return std::nullopt;
  std::u16string out;
  size_t labelLength = 0;
  for (char16_t c : host) {
    if (c == u'.') {
      if (labelLength == 0) return std::nullopt;
      labelLength = 0;
    } else if (IsLabelChar(c)) {
      if (++labelLength > kMaxLabelLength) return std::nullopt;
    } else {
      return std::nullopt;
    }
    out.push_back(qp::LowerAscii(c));
  }
  if (labelLength == 0) return std::nullopt;
  // A browser reads a host whose last label is a number as an IPv4
  // address, or refuses it.
  if (EndsInNumber(out)) {
    if (trailingDot) return std::nullopt;
    return CanonicalIpv4(out);
  }
  return out;
}

std::optional<PageOrigin> ParsePageAddress(std::u16string_view address) {
  PageOrigin origin;
  size_t start;
  if (qp::StartsWithAsciiNoCase(address, u"http://")) {
    start = 7;
  } else if (qp::StartsWithAsciiNoCase(address, u"https://")) {
    start = 8;
    origin.secure = true;
  } else {
    return std::nullopt;
  }
  size_t end = address.find(u'/', start);
  if (end == std::u16string_view::npos) end = address.size();
  std::u16string_view authority = address.substr(start, end - start);
  // An authority ended by "?", "#" or "\" reads differently in different
  // parsers once it also holds an "@"; browsers show such pages with a "/".
  for (char16_t c : authority) {
    if (c == u'\\' || c == u'?' || c == u'#' || c == u'%' || c <= u' ' || c >= 0x7F) {
      return std::nullopt;
    }
  }
  const size_t at = authority.rfind(u'@');
  if (at != std::u16string_view::npos) {
    // Brackets belong to an IPv6 host: in the user information they make
    // parsers disagree on where the host starts.
    if (authority.substr(0, at).find_first_of(u"[]") != std::u16string_view::npos) return std::nullopt;
    authority.remove_prefix(at + 1);
  }
  const auto split = SplitHostPort(authority);
  if (!split || !PortValue(split->port)) return std::nullopt;
  auto host = NormalisedHost(split->host);
  if (!host) return std::nullopt;
  origin.host = std::move(*host);
  return origin;
}

std::optional<UploadHost> ParseUploadHost(std::u16string_view hostArgument) {
  const auto split = SplitHostPort(hostArgument);
  if (!split) return std::nullopt;
  UploadHost target;
  if (split->hasPort) {
    const auto port = PortValue(split->port);
    if (split->port.empty() || !port || *port == 0) return std::nullopt;
    target.port = static_cast<uint16_t>(*port);
  }
  auto host = NormalisedHost(split->host);
  if (!host) return std::nullopt;
  const bool isName = split->host.front() != u'[' && !EndsInNumber(*host);
  // A name keeps the page's spelling, which its picture addresses share.
  target.written = isName ? std::u16string(split->host) : *host;
  target.host = std::move(*host);
  return target;
}

bool IsDevelopmentHost(std::u16string_view host) {
  if (host == u"localhost" || host == u"[::1]") return true;
  if (host.substr(0, 4) == u"127." && EndsInNumber(host)) return true;
  return IsWithin(host, kStagingHost) && !IsWithin(host, std::u16string(u"www.") + kStagingHost);
}

std::u16string UploadBaseAddress(const UploadHost& target) {
  std::u16string address = IsDevelopmentHost(target.host) ? u"http://" : u"https://";
  address += target.written;
  if (target.port != 0) address += u":" + qp::WidenAscii(std::to_string(target.port));
  return address;
}

std::vector<std::u16string> ParseAllowedHosts(std::u16string_view value) {
  std::vector<std::u16string> hosts;
  size_t i = 0;
  while (i < value.size()) {
    const size_t end = value.find_first_of(std::u16string_view(u";, \t\r\n\0", 8), i);
    const size_t stop = end == std::u16string_view::npos ? value.size() : end;
    if (stop > i) {
      if (auto host = NormalisedHost(value.substr(i, stop - i))) hosts.push_back(std::move(*host));
    }
    i = stop + 1;
  }
  return hosts;
}

bool IsAllowedHost(std::u16string_view host, const std::vector<std::u16string>& extraHosts) {
  return IsWithin(host, kAllowedDomain) || IsListed(host, extraHosts);
}

bool IsAllowedPage(std::u16string_view address, const std::vector<std::u16string>& extraHosts) {
  const auto page = ParsePageAddress(address);
  if (!page || !IsAllowedHost(page->host, extraHosts)) return false;
  return page->secure || IsListed(page->host, extraHosts) || IsDevelopmentHost(page->host);
}

bool IsAllowedUploadHost(std::u16string_view hostArgument,
                         const std::vector<std::u16string>& extraHosts) {
  const auto target = ParseUploadHost(hostArgument);
  return target && IsAllowedHost(target->host, extraHosts);
}

}  // namespace gwax
