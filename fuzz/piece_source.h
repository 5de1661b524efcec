// A body that arrives in pieces of a fixed size, as from a slow server: the
// SOAP harnesses feed the same bytes whole and this way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "notifier/service/xml_reader.h"

namespace qp_fuzz {

class PieceSource : public QPTSoap::ByteSource {
 public:
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

}  // namespace qp_fuzz
