#include "notifier/dialogs/settings_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace qptn {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

TEST(SettingsRules, FixedItems) {
  EXPECT_EQ(FixedItems(SettingsCombo::kCheckEvery, false),
            (std::vector<std::u16string>{u"5 Minutes", u"10 Minutes", u"15 Minutes", u"30 Minutes"}));
  EXPECT_EQ(FixedItems(SettingsCombo::kCheckEvery, true).front(), u"2 Minutes");
  EXPECT_EQ(FixedItems(SettingsCombo::kShow, false),
            (std::vector<std::u16string>{u"3 Messages", u"5 Messages", u"10 Messages"}));
  EXPECT_EQ(FixedItems(SettingsCombo::kDisplayFor, true),
            (std::vector<std::u16string>{u"4 Seconds", u"8 Seconds", u"15 Seconds"}));
}

TEST(SettingsRules, ShownText) {
  struct Case {
    SettingsCombo combo;
    int32_t value;
    const char* text;
  };
  const Case cases[] = {
      {SettingsCombo::kCheckEvery, 5, "5 Minutes"},   {SettingsCombo::kCheckEvery, 59, "59 Minutes"},
      {SettingsCombo::kCheckEvery, 60, "1 Hour"},     {SettingsCombo::kCheckEvery, 90, "90 Minutes"},
      {SettingsCombo::kCheckEvery, 120, "2 Hours"},   {SettingsCombo::kCheckEvery, 240, "4 Hours"},
      {SettingsCombo::kShow, 1, "1 Message"},         {SettingsCombo::kShow, 2, "2 Messages"},
      {SettingsCombo::kDisplayFor, 1, "1 Seconds"},   {SettingsCombo::kDisplayFor, 20, "20 Seconds"},
      {SettingsCombo::kCheckEvery, INT32_MIN, "-2147483648 Minutes"},
  };
  for (const Case& c : cases) EXPECT_EQ(Narrow(ShownText(c.combo, c.value)), c.text) << c.value;
}

TEST(SettingsRules, SelectOrAddFindsByPrefixIgnoringCase) {
  std::vector<std::u16string> items = FixedItems(SettingsCombo::kCheckEvery, false);
  EXPECT_EQ(SelectOrAdd(items, u"10 minutes"), 1u);
  EXPECT_EQ(SelectOrAdd(items, u"1 Hour"), 4u) << "a value outside the items is added";
  EXPECT_EQ(SelectOrAdd(items, u"1 Hour"), 4u) << "and found the next time";
  EXPECT_EQ(SelectOrAdd(items, u"1"), 1u) << "the first item that begins with it: 10 Minutes";
  EXPECT_EQ(items.size(), 5u);
}

TEST(SettingsRules, StoredValueOfATypedText) {
  struct Case {
    SettingsCombo combo;
    const char16_t* text;
    int32_t stored;
  };
  const Case cases[] = {
      {SettingsCombo::kCheckEvery, u"10 Minutes", 10},
      {SettingsCombo::kCheckEvery, u"90", 90},
      {SettingsCombo::kCheckEvery, u"1 hour", 60},
      {SettingsCombo::kCheckEvery, u"2 HOURS", 120},
      {SettingsCombo::kCheckEvery, u"90 seconds", 1},
      {SettingsCombo::kCheckEvery, u"30 second", 0},  // raised to the floor when read
      {SettingsCombo::kCheckEvery, u"1 Hour 30", 1},  // "Hour 30" is no unit
      {SettingsCombo::kCheckEvery, u"abc", 5},        // no number: 0 taken as 5
      {SettingsCombo::kCheckEvery, u"0 hours", 300},  // 0 becomes 5 before the unit
      {SettingsCombo::kCheckEvery, u"\t 3\thours", 180},
      {SettingsCombo::kCheckEvery, u"-2 hours", -2},  // a sign ends the run: no unit
      {SettingsCombo::kCheckEvery, u"99999999999 hours", INT32_MAX},
      {SettingsCombo::kShow, u"7 hours", 7},          // units only for the interval
      {SettingsCombo::kShow, u"", 5},
      {SettingsCombo::kDisplayFor, u"  +12 Seconds", 12},
  };
  for (const Case& c : cases) EXPECT_EQ(StoredValue(c.combo, c.text), c.stored) << Narrow(c.text);
  EXPECT_EQ(LeadingInteger(u"abc"), 0);
  EXPECT_EQ(LeadingInteger(u" -17x"), -17);
  EXPECT_EQ(LeadingInteger(u"-99999999999"), INT32_MIN);
}

TEST(SettingsRules, AccountRowsAndTheDialogsHeight) {
  const int rows[] = {2, 2, 3, 4, 5, 5};
  const int reduction[] = {60, 60, 40, 20, 0, 0};
  for (unsigned count = 0; count <= 5; ++count) {
    EXPECT_EQ(ShownRows(count), rows[count]) << count;
    EXPECT_EQ(HeightReduction(count), reduction[count]) << count;
  }
  std::vector<AccountRow> list = {{u"a", u"1"}, {u"b", u"2"}, {u"c", u"3"}, {}, {}};
  unsigned count = 3;
  DeleteRow(list, count, 0);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(list[0].address, u"b");
  EXPECT_EQ(list[1].password, u"3");
  EXPECT_EQ(list[2].address, u"");
  DeleteRow(list, count, 2);  // beyond the rows: nothing
  EXPECT_EQ(count, 2u);
}

}  // namespace
}  // namespace qptn
