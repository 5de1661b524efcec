// The settings dialog's account list without a window: where its cells,
// addresses and "Edit | Delete" links stand, what a click or a link's
// command does, the links' control ids and what a screen reader is told.
// The links are real controls at the places computed here; the dialog
// draws the grid and the separators around them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notifier/dialogs/dialog_rules.h"
#include "notifier/popup/text_measurer.h"

namespace qptn {

enum class RowLink { kEdit, kDelete };

// The texts of a row's actions cell: "Edit" and "Delete" in the underlined
// font, " | " in the normal one.
struct ActionTexts {
  TextSize edit, separator, remove;
};

struct AccountRowPlaces {
  ScreenRect address;      // the address cell, borders included
  ScreenRect actions;      // the actions cell
  ScreenRect addressText;  // the address, 12 pixels in, inside the borders
  ScreenRect edit, separator, remove;
  bool shaded = false;  // every second row has a light fill
};

struct AccountListPlaces {
  ScreenRect addressTitle, actionsTitle;  // the grey title cells
  std::vector<AccountRowPlaces> rows;
};

// The list of `rows` rows in a dialog that was `startHeight` pixels high
// (window) when it opened and whose client area ends at `clientRight`: the
// title row at 17/40 of that height, each row 20 pixels lower than the last
// (rows share their border lines); the address column from 12 to 330, the
// actions column from 329 to 12 pixels before the right edge. A row's links
// start 12 pixels into its actions cell, 2 pixels below its top.
AccountListPlaces PlaceAccountList(int startHeight, int clientRight, unsigned rows,
                                   const ActionTexts& texts);

// What happens to the list: nothing, or the edit or delete procedure for
// a row.
struct ListAction {
  enum Kind { kNone, kEdit, kDelete } kind = kNone;
  unsigned row = 0;
  friend bool operator==(const ListAction& a, const ListAction& b) {
    return a.kind == b.kind && (a.kind == kNone || a.row == b.row);
  }
};

// A click at (x, y) of the dialog's client area with `count` accounts: the
// first row whose Edit link holds the point, else the first whose Delete
// link holds it (right and bottom edges excluded).
ListAction ClickAction(const AccountListPlaces& places, unsigned count, int x, int y);

// The links' control ids: a row's Edit link and Delete link, and the static
// text that shows its address. New ids, after the template's.
int LinkControlId(unsigned row, RowLink link);
int AddressControlId(unsigned row);
// The command of a link control (a click, Space, Enter, or a screen
// reader's default action): its row's procedure while the row holds an
// account.
ListAction CommandAction(int controlId, unsigned count);

// A link's accessible name: its visible label and the row's address, so
// that "Edit" and "Delete" of different rows are told apart.
std::u16string LinkName(RowLink link, std::u16string_view address);

// The header's pictures as screen readers name them, and the default
// action of a link.
inline constexpr char16_t kVendorPageName[] = u"Vantrell home page";
inline constexpr char16_t kHelpName[] = u"Help";
inline constexpr char16_t kJumpAction[] = u"Jump";

// "Desktop Notifier, Version 1.1.4, Settings": what the painted header and
// heading say, for a screen reader. `versionText` is the header's version
// text, "  (Version 1.1.4)".
std::u16string HeaderDescription(std::u16string_view versionText, std::u16string_view heading);

}  // namespace qptn
