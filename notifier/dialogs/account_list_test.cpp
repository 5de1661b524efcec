#include "notifier/dialogs/account_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "notifier/dialogs/settings_rules.h"

namespace qptn {
namespace {

// "Edit" 24 x 17, " | " 10 x 17, "Delete" 38 x 17.
constexpr ActionTexts kTexts{{24, 17}, {10, 17}, {38, 17}};
// A dialog 300 pixels high when it opened: the title row at 127.
constexpr int kHeight = 300;
constexpr int kRight = 438;

bool Same(const ScreenRect& a, const ScreenRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(AccountList, RowsStandUnderTheTitleWithTheLinksSideBySide) {
  const AccountListPlaces list = PlaceAccountList(kHeight, kRight, 3, kTexts);
  EXPECT_TRUE(Same(list.addressTitle, {12, 127, 330, 148}));
  EXPECT_TRUE(Same(list.actionsTitle, {329, 127, 426, 148}));
  ASSERT_EQ(list.rows.size(), 3u);
  struct Row {
    int top;
    bool shaded;
  };
  const Row expected[] = {{147, false}, {167, true}, {187, false}};
  for (unsigned i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const AccountRowPlaces& row = list.rows[i];
    const int top = expected[i].top;
    EXPECT_TRUE(Same(row.address, {12, top, 330, top + 21}));
    EXPECT_TRUE(Same(row.actions, {329, top, 426, top + 21}));
    EXPECT_TRUE(Same(row.addressText, {24, top + 1, 329, top + 20}));
    EXPECT_TRUE(Same(row.edit, {341, top + 2, 365, top + 19}));
    EXPECT_TRUE(Same(row.separator, {365, top + 2, 375, top + 19}));
    EXPECT_TRUE(Same(row.remove, {375, top + 2, 413, top + 19}));
    EXPECT_EQ(row.shaded, expected[i].shaded);
  }
}

TEST(AccountList, AClickActsOnTheLinkUnderItInRowsThatHoldAnAccount) {
  const AccountListPlaces list = PlaceAccountList(kHeight, kRight, 5, kTexts);
  struct Case {
    const char* what;
    unsigned count;
    int x, y;
    ListAction expected;
  };
  const Case cases[] = {
      {"Edit of the first row", 3, 341, 149, {ListAction::kEdit, 0}},
      {"Edit's last pixel", 3, 364, 165, {ListAction::kEdit, 0}},
      {"Edit's right edge is Delete's separator", 3, 365, 150, {}},
      {"the separator", 3, 370, 150, {}},
      {"Delete of the third row", 3, 380, 190, {ListAction::kDelete, 2}},
      {"Delete's bottom edge", 3, 380, 166, {}},
      {"a row without an account", 3, 341, 209, {}},
      {"the address cell", 3, 100, 150, {}},
      {"the title row", 3, 341, 130, {}},
      {"no accounts at all", 0, 341, 149, {}},
      {"more accounts than rows", 9, 341, 229, {ListAction::kEdit, 4}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClickAction(list, c.count, c.x, c.y), c.expected) << c.what;
  }
}

TEST(AccountList, LinkCommandsActOnTheirRowWhileItHoldsAnAccount) {
  struct Case {
    int id;
    unsigned count;
    ListAction expected;
  };
  const Case cases[] = {
      {LinkControlId(0, RowLink::kEdit), 1, {ListAction::kEdit, 0}},
      {LinkControlId(0, RowLink::kDelete), 1, {ListAction::kDelete, 0}},
      {LinkControlId(4, RowLink::kDelete), 5, {ListAction::kDelete, 4}},
      {LinkControlId(1, RowLink::kEdit), 1, {}},  // a hidden link's late command
      {AddressControlId(0), 5, {}},
      {1003, 5, {}},  // the template's own controls
      {1000, 5, {}},
      {2, 5, {}},
      {-1, 5, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandAction(c.id, c.count), c.expected) << "id " << c.id;
  }
}

TEST(AccountList, ControlIdsAreNewAndDistinct) {
  // The template's ids are 1, 2 and 1000 to 1014.
  std::vector<int> ids;
  for (unsigned row = 0; row < 5; ++row) {
    ids.push_back(LinkControlId(row, RowLink::kEdit));
    ids.push_back(LinkControlId(row, RowLink::kDelete));
    ids.push_back(AddressControlId(row));
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  EXPECT_GT(ids.front(), 1014);
  EXPECT_LT(ids.back(), 0x10000);
}

TEST(AccountList, ScreenReadersHearTheLabelTheAddressAndTheHeader) {
  EXPECT_EQ(LinkName(RowLink::kEdit, u"ann@example.com"), u"Edit ann@example.com");
  EXPECT_EQ(LinkName(RowLink::kDelete, u"b@x"), u"Delete b@x");
  EXPECT_EQ(LinkName(RowLink::kDelete, u""), u"Delete");
  EXPECT_EQ(HeaderDescription(u"  (Version 1.1.4)", u"Settings"),
            u"Desktop Notifier, Version 1.1.4, Settings");
  EXPECT_EQ(HeaderDescription(u"  (Version 2.10.0)", u"Quillpost Information"),
            u"Desktop Notifier, Version 2.10.0, Quillpost Information");
  EXPECT_EQ(HeaderDescription(u"", u""), u"Desktop Notifier");
}

TEST(ComboEdits, TypedTextIsStoredWhenTheComboLosesTheFocus) {
  ComboEdits edits;
  struct Step {
    const char* what;
    char kind;  // 's'elected, 'e'dited, 'f'ocus lost
    SettingsCombo combo;
    std::u16string text;
    std::optional<std::u16string> store;
    bool showCurrent;
  };
  const Step steps[] = {
      {"leaving an untouched combo stores nothing", 'f', SettingsCombo::kShow, u"5", {}, false},
      {"a picked item is stored at once", 's', SettingsCombo::kShow, u"10 Messages",
       u"10 Messages", false},
      {"typing a number waits", 'e', SettingsCombo::kCheckEvery, u"1 hour", {}, false},
      {"another combo is not edited", 'f', SettingsCombo::kShow, u"7", {}, false},
      {"leaving stores and shows the value", 'f', SettingsCombo::kCheckEvery, u"1 hour",
       u"1 hour", true},
      {"leaving again stores nothing", 'f', SettingsCombo::kCheckEvery, u"1 hour", {}, false},
      {"text without a number is replaced at once", 'e', SettingsCombo::kDisplayFor, u"abc", {},
       true},
      {"so is a leading 0", 'e', SettingsCombo::kDisplayFor, u"0 Seconds", {}, true},
      {"the edited mark stays until the focus goes", 'f', SettingsCombo::kDisplayFor,
       u"8 Seconds", u"8 Seconds", true},
  };
  for (const Step& step : steps) {
    ComboReaction got;
    switch (step.kind) {
      case 's':
        got = edits.SelectionChanged(step.text);
        break;
      case 'e':
        got = edits.EditChanged(step.combo, step.text);
        break;
      default:
        got = edits.FocusLost(step.combo, step.text);
        break;
    }
    EXPECT_EQ(got.store, step.store) << step.what;
    EXPECT_EQ(got.showCurrent, step.showCurrent) << step.what;
  }
}

}  // namespace
}  // namespace qptn
