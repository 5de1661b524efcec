#include "notifier/dialogs/settings_rules.h"

#include <climits>
#include <string>

#include "common/text.h"

namespace qptn {

namespace {

std::u16string Number(int32_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

constexpr size_t kShownTextLimit = 31;

}  // namespace

std::vector<std::u16string> FixedItems(SettingsCombo combo, bool internalDomain) {
  switch (combo) {
    case SettingsCombo::kCheckEvery: {
      std::vector<std::u16string> items;
      if (internalDomain) items.push_back(u"2 Minutes");
      for (const char16_t* item : {u"5 Minutes", u"10 Minutes", u"15 Minutes", u"30 Minutes"}) {
        items.push_back(item);
      }
      return items;
    }
    case SettingsCombo::kShow:
      return {u"3 Messages", u"5 Messages", u"10 Messages"};
    case SettingsCombo::kDisplayFor:
      return {u"4 Seconds", u"8 Seconds", u"15 Seconds"};
  }
  return {};
}

std::u16string ShownText(SettingsCombo combo, int32_t value) {
  std::u16string text;
  switch (combo) {
    case SettingsCombo::kCheckEvery:
      if (value < 60 || value % 60 != 0) {
        text = Number(value) + u" Minutes";
      } else {
        text = Number(value / 60) + u" Hour" + (value > 60 ? u"s" : u"");
      }
      break;
    case SettingsCombo::kShow:
      text = Number(value) + u" Message" + (value > 1 ? u"s" : u"");
      break;
    case SettingsCombo::kDisplayFor:
      text = Number(value) + u" Seconds";
      break;
  }
  if (text.size() > kShownTextLimit) text.resize(kShownTextLimit);
  return text;
}

size_t SelectOrAdd(std::vector<std::u16string>& items, std::u16string_view text) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].size() >= text.size() && qp::EqualsAsciiNoCase(std::u16string_view(items[i]).substr(0, text.size()), text)) {
      return i;
    }
  }
  items.emplace_back(text);
  return items.size() - 1;
}

int32_t LeadingInteger(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t n = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    n = n * 10 + (text[i] - u'0');
    if (n > int64_t{INT32_MAX} + 1) n = int64_t{INT32_MAX} + 1;  // saturates
  }
  if (negative) n = -n;
  if (n > INT32_MAX) return INT32_MAX;
  if (n < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(n);
}

int32_t StoredValue(SettingsCombo combo, std::u16string_view text) {
  int32_t n = LeadingInteger(text);
  if (n == 0) n = 5;
  if (combo != SettingsCombo::kCheckEvery) return n;
  size_t i = 0;  // the leading run of digits, spaces and tabs
  while (i < text.size() &&
         (text[i] == u' ' || text[i] == u'\t' || (text[i] >= u'0' && text[i] <= u'9'))) {
    ++i;
  }
  if (i == 0) return n;
  const std::u16string_view unit = text.substr(i);
  if (qp::EqualsAsciiNoCase(unit, u"seconds") || qp::EqualsAsciiNoCase(unit, u"second")) return n / 60;
  if (qp::EqualsAsciiNoCase(unit, u"hours") || qp::EqualsAsciiNoCase(unit, u"hour")) {
    const int64_t minutes = int64_t{n} * 60;
    return minutes > INT32_MAX ? INT32_MAX : minutes < INT32_MIN ? INT32_MIN : int32_t(minutes);
  }
  return n;
}

int ShownRows(unsigned count) {
  if (count == 0) return 2;
  if (count >= 5) return 5;
  return static_cast<int>(count) + 1;
}

int HeightReduction(unsigned count) { return (5 - ShownRows(count)) * 20; }

void DeleteRow(std::vector<AccountRow>& rows, unsigned& count, unsigned index) {
  if (index >= count || count > rows.size()) return;
  for (unsigned i = index; i + 1 < count; ++i) rows[i] = rows[i + 1];
  --count;
  rows[count] = AccountRow{};
}

ComboReaction ComboEdits::SelectionChanged(std::u16string selected) {
  return {std::move(selected), false};
}

ComboReaction ComboEdits::EditChanged(SettingsCombo combo, std::u16string_view typed) {
  Edited(combo) = true;
  return {std::nullopt, LeadingInteger(typed) == 0};
}

ComboReaction ComboEdits::FocusLost(SettingsCombo combo, std::u16string typed) {
  if (!Edited(combo)) return {};
  Edited(combo) = false;
  return {std::move(typed), true};
}

}  // namespace qptn
