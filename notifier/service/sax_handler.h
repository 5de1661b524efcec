// The event interface between an XML reader (expat natively, the system's
// SAX reader on Windows) and the service's decoders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace QPTSoap {

struct SaxAttribute {
  std::u16string ns;
  std::u16string local;
  std::u16string value;
};

// Each event returns false to stop the parse and fail it.
class SaxHandler {
 public:
  virtual ~SaxHandler() = default;
  virtual bool StartElement(std::u16string_view ns, std::u16string_view local,
                            const std::vector<SaxAttribute>& attributes) = 0;
  virtual bool EndElement() = 0;
  virtual bool Characters(std::u16string_view text) = 0;
};

// Limits every reader enforces on a server's answer.
inline constexpr int kMaxElementDepth = 256;
// The most one response may make the client allocate, in bytes of text kept.
inline constexpr size_t kMaxResponseAllocation = 32u << 20;

}  // namespace QPTSoap
