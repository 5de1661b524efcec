#include "notifier/service/doctype_sniffer.h"

namespace QPTSoap {
namespace {

constexpr std::string_view kAscii = "<!DOCTYPE";

}  // namespace

DoctypeSniffer::DoctypeSniffer() {
  patterns_[0].bytes = std::string(kAscii);
  for (const char c : kAscii) {
    patterns_[1].bytes += c;  // UTF-16, little end first
    patterns_[1].bytes += '\0';
    patterns_[2].bytes += '\0';
    patterns_[2].bytes += c;
  }
  // Knuth-Morris-Pratt: where a partial match continues after a mismatch.
  for (Pattern& p : patterns_) {
    p.fallback.assign(p.bytes.size() + 1, 0);
    size_t k = 0;
    for (size_t i = 1; i < p.bytes.size(); ++i) {
      while (k > 0 && p.bytes[i] != p.bytes[k]) k = p.fallback[k];
      if (p.bytes[i] == p.bytes[k]) ++k;
      p.fallback[i + 1] = k;
    }
  }
}

bool DoctypeSniffer::Feed(std::string_view bytes) {
  for (const char c : bytes) {
    if (seen_) break;
    for (Pattern& p : patterns_) {
      while (p.matched > 0 && c != p.bytes[p.matched]) p.matched = p.fallback[p.matched];
      if (c == p.bytes[p.matched]) ++p.matched;
      if (p.matched == p.bytes.size()) seen_ = true;
    }
  }
  return seen_;
}

}  // namespace QPTSoap
