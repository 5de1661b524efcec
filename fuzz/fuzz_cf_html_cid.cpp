// Whether copied HTML holds a picture attached by content id: any bytes,
// the same answer each time, and "yes" only with a valid header and
// "cid:" inside its fragment.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "control/clipboard/cf_html.h"
#include "fuzz/fuzz_check.h"

using qp_fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);
  const bool cid = gwax::HasCidPicture(block);
  Check(gwax::HasCidPicture(block) == cid);
  if (cid) {
    const auto header = gwax::ReadCfHtmlHeader(block);
    Check(header.has_value());
    const std::string_view fragment =
        block.substr(header->startFragment, header->endFragment - header->startFragment);
    Check(fragment.find("cid:") != std::string_view::npos);
  }
  return 0;
}
