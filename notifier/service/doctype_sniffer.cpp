#include "notifier/service/doctype_sniffer.h"

#include <array>

namespace QPTSoap {
namespace {

constexpr std::string_view kAscii = "<!DOCTYPE";

std::string Utf16(bool little_endian) {
  std::string s;
  for (const char c : kAscii) {
    if (little_endian) {
      s += c;
      s += '\0';
    } else {
      s += '\0';
      s += c;
    }
  }
  return s;
}

}  // namespace

bool DoctypeSniffer::Feed(std::string_view bytes) {
  if (seen_ || bytes.empty()) return seen_;
  static const std::array<std::string, 3> patterns = {std::string(kAscii), Utf16(true),
                                                      Utf16(false)};
  std::string window = tail_;
  window.append(bytes);
  for (const std::string& p : patterns) {
    if (window.find(p) != std::string::npos) seen_ = true;
  }
  const size_t keep = 2 * kAscii.size() - 1;
  tail_ = window.size() > keep ? window.substr(window.size() - keep) : window;
  return seen_;
}

}  // namespace QPTSoap
