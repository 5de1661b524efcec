// Page addresses come from the container's moniker, upload hosts from the
// page's script and the allowed-host list from the registry: all outside
// input. The input is read as UTF-16 and given to each parser.
#include <cstddef>
#include <cstdint>
#include <string>

#include "control/object/host_policy.h"

namespace {

bool IsComparedForm(const std::u16string& host) {
  if (host.empty() || host.back() == u'.') return false;
  for (char16_t c : host) {
    if (c >= u'A' && c <= u'Z') return false;
    if (c > 0x7E || c <= u' ' || c == u'@' || c == u'%' || c == u'\\' || c == u'/') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  const auto extra = gwax::ParseAllowedHosts(text);
  for (const auto& host : extra) {
    if (!IsComparedForm(host)) __builtin_trap();
  }
  if (auto host = gwax::PageHost(text)) {
    if (!IsComparedForm(*host)) __builtin_trap();
  }
  if (auto host = gwax::UploadHost(text)) {
    if (!IsComparedForm(*host)) __builtin_trap();
  }
  // The product's domain is allowed only as whole trailing labels.
  if (gwax::IsAllowedPage(text, {}) || gwax::IsAllowedUploadHost(text, {})) {
    auto host = gwax::PageHost(text);
    if (!host) host = gwax::UploadHost(text);
    if (!host) __builtin_trap();
    const std::u16string domain = u"quillpost.com";
    if (*host != domain && (host->size() <= domain.size() ||
                            host->compare(host->size() - domain.size() - 1, std::u16string::npos,
                                          u"." + domain) != 0)) {
      __builtin_trap();
    }
  }
  return 0;
}
