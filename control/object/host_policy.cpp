#include "control/object/host_policy.h"

#include "control/ascii_case.h"
#include "control/constants.h"

namespace gwax {
namespace {

constexpr size_t kMaxHostLength = 253;
constexpr size_t kMaxLabelLength = 63;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHex(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
bool IsLabelChar(char16_t c) {
  return IsDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'-' || c == u'_';
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != prefix[i]) return false;
  }
  return true;
}

// ":digits" or ":" or nothing.
bool IsPortPart(std::u16string_view rest) {
  if (rest.empty()) return true;
  if (rest[0] != u':' || rest.size() > 6) return false;
  for (size_t i = 1; i < rest.size(); ++i) {
    if (!IsDigit(rest[i])) return false;
  }
  return true;
}

// Splits "host[:port]" and normalises the host.
std::optional<std::u16string> HostOfHostPort(std::u16string_view hostPort) {
  size_t hostEnd;
  if (!hostPort.empty() && hostPort[0] == u'[') {
    hostEnd = hostPort.find(u']');
    if (hostEnd == std::u16string_view::npos) return std::nullopt;
    ++hostEnd;
  } else {
    hostEnd = hostPort.find(u':');
    if (hostEnd == std::u16string_view::npos) hostEnd = hostPort.size();
  }
  if (!IsPortPart(hostPort.substr(hostEnd))) return std::nullopt;
  return NormalisedHost(hostPort.substr(0, hostEnd));
}

}  // namespace

std::optional<std::u16string> NormalisedHost(std::u16string_view host) {
  if (host.empty() || host.size() > kMaxHostLength + 1) return std::nullopt;
  std::u16string out;
  if (host.front() == u'[') {
    if (host.size() < 4 || host.back() != u']') return std::nullopt;
    for (char16_t c : host.substr(1, host.size() - 2)) {
      if (!IsHex(c) && c != u':' && c != u'.') return std::nullopt;
    }
    for (char16_t c : host) out.push_back(LowerAscii(c));
    return out;
  }
  if (host.back() == u'.') host.remove_suffix(1);
  if (host.empty() || host.size() > kMaxHostLength) return std::nullopt;
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
    out.push_back(LowerAscii(c));
  }
  if (labelLength == 0) return std::nullopt;
  return out;
}

std::optional<std::u16string> PageHost(std::u16string_view address) {
  size_t start;
  if (StartsWithNoCase(address, u"http://")) {
    start = 7;
  } else if (StartsWithNoCase(address, u"https://")) {
    start = 8;
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
  if (at != std::u16string_view::npos) authority.remove_prefix(at + 1);
  return HostOfHostPort(authority);
}

std::optional<std::u16string> UploadHost(std::u16string_view hostArgument) {
  size_t slash = hostArgument.find(u'/');
  if (slash == std::u16string_view::npos) slash = hostArgument.size();
  // The path goes into the upload address as it stands: nothing in it may
  // end the authority differently for the HTTP client.
  for (char16_t c : hostArgument.substr(slash)) {
    if (!IsLabelChar(c) && c != u'/' && c != u'.' && c != u'~') return std::nullopt;
  }
  std::u16string_view hostPort = hostArgument.substr(0, slash);
  for (char16_t c : hostPort) {
    if (!IsLabelChar(c) && c != u'.' && c != u':' && c != u'[' && c != u']') return std::nullopt;
  }
  return HostOfHostPort(hostPort);
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
  const std::u16string_view domain = kAllowedDomain;
  if (host == domain) return true;
  if (host.size() > domain.size() && host.substr(host.size() - domain.size()) == domain &&
      host[host.size() - domain.size() - 1] == u'.') {
    return true;
  }
  for (const auto& extra : extraHosts) {
    if (host == extra) return true;
  }
  return false;
}

bool IsAllowedPage(std::u16string_view address, const std::vector<std::u16string>& extraHosts) {
  const auto host = PageHost(address);
  return host && IsAllowedHost(*host, extraHosts);
}

bool IsAllowedUploadHost(std::u16string_view hostArgument,
                         const std::vector<std::u16string>& extraHosts) {
  const auto host = UploadHost(hostArgument);
  return host && IsAllowedHost(*host, extraHosts);
}

}  // namespace gwax
