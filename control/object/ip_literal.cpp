#include "control/object/ip_literal.h"

#include <cstdint>
#include <string>

#include "common/text.h"

namespace gwax {
namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsHexPrefix(std::u16string_view part) {
  return part.size() >= 2 && part[0] == u'0' && (part[1] == u'x' || part[1] == u'X');
}

// One IPv4 part in its base; values above 32 bits are all "too large".
std::optional<uint64_t> Ipv4Part(std::u16string_view part) {
  if (part.empty()) return std::nullopt;
  unsigned base = 10;
  if (IsHexPrefix(part)) {
    base = 16;
    part.remove_prefix(2);
    if (part.empty()) return std::nullopt;
  } else if (part.size() > 1 && part[0] == u'0') {
    base = 8;
    part.remove_prefix(1);
  }
  uint64_t value = 0;
  for (char16_t c : part) {
    const int digit = HexValue(c);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
    value = value * base + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) value = 0x100000000u;  // stays too large, never overflows
  }
  return value;
}

// A trailing IPv4 part of an IPv6 address: four strict decimal bytes.
bool EmbeddedIpv4(std::u16string_view text, uint16_t* high, uint16_t* low) {
  uint32_t address = 0;
  int parts = 0;
  size_t i = 0;
  while (parts < 4) {
    const size_t start = i;
    uint32_t value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && i - start < 3) {
      value = value * 10 + (text[i] - u'0');
      ++i;
    }
    const size_t length = i - start;
    if (length == 0 || value > 255 || (length > 1 && text[start] == u'0')) return false;
    address = address << 8 | value;
    ++parts;
    if (parts < 4) {
      if (i >= text.size() || text[i] != u'.') return false;
      ++i;
    }
  }
  if (i != text.size()) return false;
  *high = static_cast<uint16_t>(address >> 16);
  *low = static_cast<uint16_t>(address & 0xFFFF);
  return true;
}

}  // namespace

bool EndsInNumber(std::u16string_view host) {
  const size_t dot = host.rfind(u'.');
  std::u16string_view last = dot == std::u16string_view::npos ? host : host.substr(dot + 1);
  if (last.empty()) return false;
  if (IsHexPrefix(last)) {
    last.remove_prefix(2);
    for (char16_t c : last) {
      if (HexValue(c) < 0) return false;
    }
    return true;
  }
  for (char16_t c : last) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

std::optional<std::u16string> CanonicalIpv4(std::u16string_view host) {
  uint64_t parts[4];
  size_t count = 0;
  size_t start = 0;
  while (true) {
    const size_t dot = host.find(u'.', start);
    const size_t end = dot == std::u16string_view::npos ? host.size() : dot;
    if (count == 4) return std::nullopt;
    const auto value = Ipv4Part(host.substr(start, end - start));
    if (!value) return std::nullopt;
    parts[count++] = *value;
    if (dot == std::u16string_view::npos) break;
    start = dot + 1;
  }
  uint64_t address = 0;
  for (size_t i = 0; i + 1 < count; ++i) {
    if (parts[i] > 255) return std::nullopt;
    address |= parts[i] << (8 * (3 - i));
  }
  const uint64_t last = parts[count - 1];
  if (last >= (uint64_t{1} << (8 * (5 - count)))) return std::nullopt;
  address |= last;
  std::u16string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!text.empty()) text.push_back(u'.');
    text += qp::WidenAscii(std::to_string(address >> shift & 0xFF));
  }
  return text;
}

std::optional<std::u16string> CanonicalIpv6(std::u16string_view text) {
  uint16_t groups[8] = {};
  int count = 0;
  int compress = -1;  // where "::" stands, in groups
  size_t i = 0;
  if (text.size() >= 2 && text[0] == u':' && text[1] == u':') {
    i = 2;
    compress = 0;
  } else if (!text.empty() && text[0] == u':') {
    return std::nullopt;
  }
  while (i < text.size()) {
    if (count == 8) return std::nullopt;
    if (text[i] == u':') {
      if (compress != -1) return std::nullopt;
      ++i;
      compress = count;
      continue;
    }
    uint32_t value = 0;
    size_t length = 0;
    while (i + length < text.size() && length < 4 && HexValue(text[i + length]) >= 0) {
      value = value << 4 | static_cast<uint32_t>(HexValue(text[i + length]));
      ++length;
    }
    if (i + length < text.size() && text[i + length] == u'.') {
      if (count > 6) return std::nullopt;
      if (!EmbeddedIpv4(text.substr(i), &groups[count], &groups[count + 1])) return std::nullopt;
      count += 2;
      i = text.size();
      break;
    }
    if (length == 0) return std::nullopt;
    groups[count++] = static_cast<uint16_t>(value);
    i += length;
    if (i < text.size()) {
      if (text[i] != u':') return std::nullopt;
      ++i;
      if (i == text.size()) return std::nullopt;  // one trailing colon
    }
  }
  if (compress == -1 ? count != 8 : count == 8) return std::nullopt;
  if (compress != -1) {
    const int moved = count - compress;
    for (int k = 0; k < moved; ++k) groups[7 - k] = groups[count - 1 - k];
    for (int k = compress; k < 8 - moved; ++k) groups[k] = 0;
  }
  // The first longest run of two or more zero groups.
  int bestStart = -1;
  int bestLength = 1;
  for (int k = 0; k < 8;) {
    if (groups[k] != 0) {
      ++k;
      continue;
    }
    int end = k;
    while (end < 8 && groups[end] == 0) ++end;
    if (end - k > bestLength) {
      bestStart = k;
      bestLength = end - k;
    }
    k = end;
  }
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string out;
  for (int k = 0; k < 8; ++k) {
    if (k == bestStart) {
      out += u"::";
      k += bestLength - 1;
      continue;
    }
    if (!out.empty() && out.back() != u':') out.push_back(u':');
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const int digit = groups[k] >> shift & 0xF;
      if (digit != 0 || started || shift == 0) {
        out.push_back(kDigits[digit]);
        started = true;
      }
    }
  }
  return out;
}

}  // namespace gwax
