#include "notifier/dialogs/account_list.h"

#include <algorithm>

namespace qptn {

namespace {

constexpr int kRowStep = 20;
constexpr int kRowHeight = 21;
constexpr int kTextInset = 12;
// The template's last control id is below these.
constexpr int kFirstLinkId = 1020;
constexpr int kFirstAddressId = 1040;
constexpr unsigned kMaxRows = 10;

bool Holds(const ScreenRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

ScreenRect Down(ScreenRect r, int dy) {
  r.top += dy;
  r.bottom += dy;
  return r;
}

ScreenRect At(int x, int y, const TextSize& size) {
  return {x, y, x + size.width, y + size.height};
}

}  // namespace

AccountListPlaces PlaceAccountList(int startHeight, int clientRight, unsigned rows,
                                   const ActionTexts& texts) {
  AccountListPlaces list;
  const int top = startHeight * 17 / 40;
  list.addressTitle = {12, top, 330, top + kRowHeight};
  list.actionsTitle = {329, top, clientRight - 12, top + kRowHeight};
  for (unsigned i = 0; i < rows; ++i) {
    AccountRowPlaces row;
    const int dy = kRowStep * static_cast<int>(i + 1);
    row.address = Down(list.addressTitle, dy);
    row.actions = Down(list.actionsTitle, dy);
    row.addressText = {row.address.left + kTextInset, row.address.top + 1, row.address.right - 1,
                       row.address.bottom - 1};
    const int y = row.actions.top + 2;
    row.edit = At(row.actions.left + kTextInset, y, texts.edit);
    row.separator = At(row.edit.right, y, texts.separator);
    row.remove = At(row.separator.right, y, texts.remove);
    row.shaded = i % 2 == 1;
    list.rows.push_back(row);
  }
  return list;
}

ListAction ClickAction(const AccountListPlaces& places, unsigned count, int x, int y) {
  const unsigned rows = std::min<unsigned>(count, static_cast<unsigned>(places.rows.size()));
  for (unsigned i = 0; i < rows; ++i) {
    if (Holds(places.rows[i].edit, x, y)) return {ListAction::kEdit, i};
  }
  for (unsigned i = 0; i < rows; ++i) {
    if (Holds(places.rows[i].remove, x, y)) return {ListAction::kDelete, i};
  }
  return {};
}

int LinkControlId(unsigned row, RowLink link) {
  return kFirstLinkId + 2 * static_cast<int>(row) + (link == RowLink::kDelete ? 1 : 0);
}

int AddressControlId(unsigned row) { return kFirstAddressId + static_cast<int>(row); }

ListAction CommandAction(int controlId, unsigned count) {
  const int offset = controlId - kFirstLinkId;
  if (offset < 0 || offset >= static_cast<int>(2 * kMaxRows)) return {};
  const auto row = static_cast<unsigned>(offset / 2);
  if (row >= count) return {};
  return {offset % 2 == 0 ? ListAction::kEdit : ListAction::kDelete, row};
}

std::u16string LinkName(RowLink link, std::u16string_view address) {
  std::u16string name = link == RowLink::kEdit ? u"Edit" : u"Delete";
  if (!address.empty()) name.append(u" ").append(address);
  return name;
}

std::u16string HeaderDescription(std::u16string_view versionText, std::u16string_view heading) {
  // "  (Version 1.1.4)" without its blanks and brackets.
  std::u16string_view version = versionText;
  while (!version.empty() && (version.front() == u' ' || version.front() == u'(')) {
    version.remove_prefix(1);
  }
  while (!version.empty() && (version.back() == u' ' || version.back() == u')')) {
    version.remove_suffix(1);
  }
  std::u16string text = kDialogTitle;
  if (!version.empty()) text.append(u", ").append(version);
  if (!heading.empty()) text.append(u", ").append(heading);
  return text;
}

}  // namespace qptn
