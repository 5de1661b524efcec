#include "control/downloads/download_list.h"

#include <cmath>
#include <string>

#include "control/downloads/file_name.h"

namespace gwax {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number at the start of `text` (blanks before it allowed), as
// the C library reads one, but without hexadecimal, infinities or locales.
double LeadingNumber(const std::string& text) {
  size_t i = text.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string::npos) return 0;
  std::string number;
  if (text[i] == '+' || text[i] == '-') number.push_back(text[i++]);
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) { number.push_back(text[i++]); ++digits; }
  if (i < text.size() && text[i] == '.') {
    number.push_back(text[i++]);
    while (i < text.size() && IsDigit(text[i])) { number.push_back(text[i++]); ++digits; }
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      number.append(text, i, j - i);
      while (j < text.size() && IsDigit(text[j])) number.push_back(text[j++]);
    }
  }
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace

uint32_t ParseSizeText(std::u16string_view text) {
  // Sizes are read as 8-bit text; anything beyond ASCII can't be part of
  // the number or the unit.
  std::string narrow;
  narrow.reserve(text.size());
  for (char16_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');

  double multiplier = 1;
  for (size_t i = 0; i < 8 && i < narrow.size(); ++i) {
    const char c = narrow[i];
    if (c == 'K' || c == 'k') { multiplier = 1024.0; break; }
    if (c == 'M' || c == 'm') { multiplier = 1048576.0; break; }
    if (c == 'G' || c == 'g') { multiplier = 1073741824.0; break; }
  }
  const double bytes = std::trunc(LeadingNumber(narrow) * multiplier);
  if (!(bytes > 0)) return 0;  // also NaN
  if (bytes >= 4294967296.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(bytes);
}

std::u16string UniqueName(const std::vector<std::u16string>& taken, const std::u16string& name) {
  const size_t dot = name.rfind(u'.');
  const std::u16string_view whole(name);
  const std::u16string_view stem = whole.substr(0, dot);
  const std::u16string_view extension = dot == std::u16string::npos ? u"" : whole.substr(dot);
  std::u16string candidate = FittedName(stem, u"", extension);
  for (unsigned counter = 1;; ++counter) {
    bool clash = false;
    for (const auto& other : taken) {
      if (SameFileName(other, candidate)) { clash = true; break; }
    }
    if (!clash) return candidate;
    const std::string suffix = "(" + std::to_string(counter) + ")";
    candidate = FittedName(stem, std::u16string(suffix.begin(), suffix.end()), extension);
  }
}

std::u16string ResolveAddress(const std::u16string& address, const std::u16string& pageBase,
                              const AbsoluteAddressTest& isAbsolute) {
  if (pageBase.empty() || isAbsolute(address)) return address;
  if (!address.empty() && address[0] == u'/') return pageBase + address;
  return pageBase + u"/" + address;
}

void AddDownload(DownloadList& list, const std::u16string& address, const std::u16string& name,
                 std::u16string_view sizeText, const std::u16string& pageBase,
                 const AbsoluteAddressTest& isAbsolute) {
  std::u16string unique = UniqueName(list.names, SafeFileName(name));
  std::u16string resolved = ResolveAddress(address, pageBase, isAbsolute);
  // Room first, so that running out of memory can't leave the lists uneven.
  list.addresses.reserve(list.addresses.size() + 1);
  list.names.reserve(list.names.size() + 1);
  list.sizes.reserve(list.sizes.size() + 1);
  list.addresses.push_back(std::move(resolved));
  list.names.push_back(std::move(unique));
  list.sizes.push_back(ParseSizeText(sizeText));
}

}  // namespace gwax
