// Spots the start of a document type declaration ("<!DOCTYPE") in a byte
// stream as it passes, in ASCII-compatible encodings and in UTF-16 of
// either byte order. For readers that parse a DTD without telling their
// handlers (Wine's SAX reader reports neither an external DTD nor the
// declarations of an internal one). The text can only occur elsewhere in
// a comment or CDATA section, which a service answer has no use for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace QPTSoap {

class DoctypeSniffer {
 public:
  DoctypeSniffer();
  // Looks at the next bytes; true once a declaration has been seen.
  bool Feed(std::string_view bytes);
  bool seen() const { return seen_; }

 private:
  struct Pattern {
    std::string bytes;
    std::vector<size_t> fallback;
    size_t matched = 0;  // bytes of the pattern matched so far
  };
  Pattern patterns_[3];  // UTF-8 and ASCII-compatible, UTF-16LE, UTF-16BE
  bool seen_ = false;
};

}  // namespace QPTSoap
