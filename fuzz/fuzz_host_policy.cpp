// Page addresses come from the container's moniker or the document, upload
// hosts from the page's script and the allowed-host list from the
// registry: all outside input. The input is read as UTF-16 and given to
// each parser.
#include <cstddef>
#include <cstdint>
#include <string>

#include "control/object/host_policy.h"
#include "control/object/ip_literal.h"
#include "fuzz/fuzz_check.h"

namespace {

// Lower-case labels or a bracketed IPv6 text; no character that could end
// or redirect an authority.
bool IsComparedForm(const std::u16string& host) {
  if (host.empty() || host.back() == u'.') return false;
  for (char16_t c : host) {
    if (c >= u'A' && c <= u'Z') return false;
    if (c > 0x7E || c <= u' ' || c == u'@' || c == u'%' || c == u'\\' || c == u'/') return false;
  }
  // The compared form is a fixed point.
  const auto again = gwax::NormalisedHost(host);
  return again && *again == host;
}

using qp_fuzz::Check;

bool OnProductDomain(const std::u16string& host) {
  const std::u16string domain = u"quillpost.com";
  return host == domain || (host.size() > domain.size() &&
                            host.compare(host.size() - domain.size() - 1, std::u16string::npos,
                                         u"." + domain) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  for (const auto& host : gwax::ParseAllowedHosts(text)) Check(IsComparedForm(host));
  const auto page = gwax::ParsePageAddress(text);
  if (page) Check(IsComparedForm(page->host));
  const auto upload = gwax::ParseUploadHost(text);
  if (upload) {
    Check(IsComparedForm(upload->host));
    // The base address names the same host again.
    const std::u16string base = gwax::UploadBaseAddress(*upload);
    const auto reparsed = gwax::ParsePageAddress(base + u"/saveFile.php");
    Check(reparsed && reparsed->host == upload->host);
  }
  if (auto v4 = gwax::CanonicalIpv4(text)) Check(gwax::CanonicalIpv4(*v4) == v4);
  if (auto v6 = gwax::CanonicalIpv6(text)) Check(gwax::CanonicalIpv6(*v6) == v6);
  // The product's domain is allowed only as whole trailing labels, and its
  // pages only over https.
  if (gwax::IsAllowedPage(text, {})) {
    Check(page && OnProductDomain(page->host) && (page->secure || gwax::IsDevelopmentHost(page->host)));
  }
  if (gwax::IsAllowedUploadHost(text, {})) Check(upload && OnProductDomain(upload->host));
  return 0;
}
