#include "control/downloads/file_name.h"

#include <algorithm>

#include "common/text.h"
#include "control/downloads/upcase_table.h"

namespace gwax {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters that draw nothing or reorder what follows: a name holding one
// can show as another ("invoice", U+202E, "fdp.exe" reads "invoiceexe.pdf").
bool IsHiddenFormat(char32_t c) {
  return c == 0x00AD ||                     // soft hyphen
         c == 0x061C ||                     // Arabic letter mark
         c == 0x180E ||                     // Mongolian vowel separator
         (c >= 0x200B && c <= 0x200F) ||    // zero-width space, joiners, LRM, RLM
         (c >= 0x202A && c <= 0x202E) ||    // embeddings and overrides
         (c >= 0x2060 && c <= 0x2064) ||    // word joiner, invisible operators
         (c >= 0x2066 && c <= 0x206F) ||    // isolates, deprecated format controls
         c == 0xFEFF ||                     // zero-width no-break space
         (c >= 0xFFF9 && c <= 0xFFFB) ||    // interlinear annotation
         (c >= 0x1D173 && c <= 0x1D17A) ||  // musical format controls
         c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F);  // tags
}

// The longest prefix of `text` of at most `units` units that doesn't end
// inside a surrogate pair.
std::u16string_view CutAt(std::u16string_view text, size_t units) {
  if (text.size() <= units) return text;
  if (units > 0 && IsHighSurrogate(text[units - 1]) && IsLowSurrogate(text[units])) --units;
  return text.substr(0, units);
}

}  // namespace

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
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c == u'\\' || c == u'/' || c == u':' || c < 0x20 || c == 0x7F) continue;
    if (IsHighSurrogate(c) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
      const char32_t point = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (name[i + 1] - 0xDC00);
      if (IsHiddenFormat(point)) {
        out.push_back(u'_');
      } else {
        out.append(name.substr(i, 2));
      }
      ++i;
      continue;
    }
    const bool unfit = c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' ||
                       c == u'*' || IsHighSurrogate(c) || IsLowSurrogate(c) || IsHiddenFormat(c);
    out.push_back(unfit ? u'_' : c);
  }
  if (out == u"." || out == u"..") return u"_";
  while (!out.empty() && (out.back() == u'.' || out.back() == u' ')) out.pop_back();
  if (out.empty()) return u"download";
  if (IsReservedDeviceName(out)) out.insert(out.begin(), u'_');
  return out;
}

char16_t UpcaseNameUnit(char16_t unit) {
  const auto& runs = upcase_table::kRuns;
  // The last run that starts at or before the unit.
  const auto* run = std::upper_bound(std::begin(runs), std::end(runs), unit,
                                     [](char16_t u, const upcase_table::Run& r) { return u < r.first; });
  if (run == std::begin(runs)) return unit;
  --run;
  if (unit > run->last || (unit - run->first) % run->step != 0) return unit;
  return static_cast<char16_t>(static_cast<int32_t>(unit) + run->delta);
}

bool SameFileName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpcaseNameUnit(a[i]) != UpcaseNameUnit(b[i])) return false;
  }
  return true;
}

std::u16string FittedName(std::u16string_view stem, std::u16string_view suffix,
                          std::u16string_view extension) {
  std::u16string name;
  if (stem.size() + suffix.size() + extension.size() <= kMaxNameUnits) {
    name.append(stem).append(suffix).append(extension);
    return name;
  }
  // The suffix is a few digits; what is left of the room goes to the
  // extension first, then to the stem, which keeps a unit where it can.
  const size_t room = kMaxNameUnits - std::min(suffix.size(), kMaxNameUnits);
  const size_t stemFloor = stem.empty() ? 0 : 1;
  extension = CutAt(extension, room > stemFloor ? room - stemFloor : 0);
  stem = CutAt(stem, room - extension.size());
  name.append(stem).append(suffix).append(extension);
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
  if (name.empty()) name = u"download";
  if (IsReservedDeviceName(name)) name.insert(name.begin(), u'_');  // "CON" and blanks, cut
  return name;
}

}  // namespace gwax
