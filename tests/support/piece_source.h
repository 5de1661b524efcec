// A body that arrives in pieces of a fixed size, as from a slow server. The
// readers must give the same result as when the body arrives whole; the
// decoder tests and the SOAP fuzz harnesses feed bytes both ways.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "notifier/service/xml_reader.h"

namespace QPTSoap::testing {

class PieceSource : public ByteSource {
 public:
  // `bytes` must outlive the source.
  PieceSource(std::string_view bytes, size_t step) : rest_(bytes), step_(step) {}
  bool Read(char* buffer, size_t capacity, size_t& got) override {
    got = rest_.copy(buffer, std::min(capacity, step_));
    rest_.remove_prefix(got);
    return true;
  }

 private:
  std::string_view rest_;
  size_t step_;
};

}  // namespace QPTSoap::testing
