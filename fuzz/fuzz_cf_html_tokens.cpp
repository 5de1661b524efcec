// Copied HTML comes from any program or page. The tokens of any bytes must
// tile them exactly, and a header that reads as valid must point inside
// the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "control/clipboard/cf_html.h"
#include "fuzz/fuzz_check.h"

using qp_fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t at = 0;
  while (at < size) {
    const size_t length = gwax::TokenLength(text, at);
    Check(length >= 1 && length <= size - at);
    const std::string_view token = text.substr(at, length);
    Check(gwax::TokenEquals(token, token));
    at += length;
  }
  Check(at == size && gwax::TokenLength(text, at) == 0);

  if (const auto header = gwax::ReadCfHtmlHeader(text)) {
    const size_t textLength = text.substr(0, text.find('\0')).size();
    Check(header->startHtml <= header->startFragment);
    Check(header->startFragment <= header->endFragment);
    Check(header->endFragment <= header->endHtml);
    Check(header->endHtml <= textLength);
  }
  return 0;
}
