#include "control/downloads/file_name.h"

#include "common/text.h"

namespace gwax {

bool IsReservedDeviceName(std::u16string_view name) {
  // The system reads "CON.txt" and "con .log" as the device too.
  std::u16string_view base = name.substr(0, name.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
    if (qp::EqualsAsciiNoCase(base, device)) return true;
  }
  // COM1-9 and LPT1-9, and with the superscript digits the system also reads.
  const auto isPortDigit = [](char16_t c) {
    return (c >= u'1' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
  };
  if (base.size() == 4 && isPortDigit(base[3])) {
    const std::u16string_view prefix = base.substr(0, 3);
    return qp::EqualsAsciiNoCase(prefix, u"COM") || qp::EqualsAsciiNoCase(prefix, u"LPT");
  }
  return false;
}

std::u16string SafeFileName(std::u16string_view name) {
  std::u16string out;
  out.reserve(name.size());
  for (char16_t c : name) {
    if (c == u'\\' || c == u'/' || c == u':' || c < 0x20 || c == 0x7F) continue;
    const bool unfit = c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
    out.push_back(unfit ? u'_' : c);
  }
  if (out == u"." || out == u"..") return u"_";
  while (!out.empty() && (out.back() == u'.' || out.back() == u' ')) out.pop_back();
  if (out.empty()) return u"download";
  if (IsReservedDeviceName(out)) out.insert(out.begin(), u'_');
  return out;
}

}  // namespace gwax
