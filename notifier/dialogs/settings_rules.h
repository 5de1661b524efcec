// The settings dialog's rules that need no window: the combos' items, how a
// current value is shown, how a typed text is read, the account rows and
// the dialog's height for them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qptn {

// The three combos of the settings dialog.
enum class SettingsCombo { kCheckEvery, kShow, kDisplayFor };

// The fixed items in their order; "2 Minutes" only where an account of the
// operator's own domain allows that interval.
std::vector<std::u16string> FixedItems(SettingsCombo combo, bool internalDomain);

// The text shown for a current value: "5 Minutes", "1 Hour", "2 Hours",
// "90 Minutes"; "1 Message", "3 Messages"; "4 Seconds". At most 31 characters.
std::u16string ShownText(SettingsCombo combo, int32_t value);

// The item that shows `text`: the first whose text begins with it, ignoring
// case; without one, `text` is added as a new last item. Returns the index.
size_t SelectOrAdd(std::vector<std::u16string>& items, std::u16string_view text);

// The leading integer as _wtoi reads it: white space, a sign, digits; 0
// without digits (and on overflow, saturated like the C library's).
int32_t LeadingInteger(std::u16string_view text);

// The value a combo's text stores: its leading integer, 0 taken as 5; for
// "Check every:" in minutes, a unit after the number ("seconds", "second",
// "hours", "hour", ignoring case) converting it.
int32_t StoredValue(SettingsCombo combo, std::u16string_view text);

// What a combo's notification asks of the dialog: a text to store (a
// picked item, or what was typed once the combo loses the focus) and
// whether to show the current value again.
struct ComboReaction {
  std::optional<std::u16string> store;
  bool showCurrent = false;
};

// The three combos' edit state: typing marks a combo edited; text without
// a leading number is replaced by the current value at once; an edited
// combo stores what it holds when it loses the focus.
class ComboEdits {
 public:
  ComboReaction SelectionChanged(std::u16string selected);
  ComboReaction EditChanged(SettingsCombo combo, std::u16string_view typed);
  ComboReaction FocusLost(SettingsCombo combo, std::u16string typed);

 private:
  bool& Edited(SettingsCombo combo) { return edited_[static_cast<size_t>(combo)]; }
  bool edited_[3] = {};
};

// The account list: how many rows the dialog shows room for, and how many
// pixels shorter than its template it is for `count` accounts.
int ShownRows(unsigned count);
int HeightReduction(unsigned count);

// The account rows after deleting row `index` of `count`: later rows move up.
struct AccountRow {
  std::u16string address;
  std::u16string password;
};
void DeleteRow(std::vector<AccountRow>& rows, unsigned& count, unsigned index);

}  // namespace qptn
