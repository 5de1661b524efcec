#include "notifier/dialogs/win32/settings_dialog_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "common/win32/accessible_win.h"
#include "common/win32/shell_open_win.h"
#include "common/win32/wide_win.h"
#include "notifier/resources/resource.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/settings.h"

namespace qptn {

namespace {

constexpr int kFontedControls[] = {IDC_RUN_AT_LOGIN,      IDC_MAILTO_LINKS,     IDC_ALERT_SOUND,
                                   IDC_CHECK_EVERY,       IDC_SHOW,             IDC_DISPLAY_FOR,
                                   IDC_ADD_ACCOUNT,       IDCANCEL,             IDC_NOTICE,
                                   IDC_CHECK_EVERY_LABEL, IDC_DISPLAY_FOR_LABEL, IDC_SHOW_LABEL};

POINT ClientPosition(HWND dialog, int id) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  POINT p{r.left, r.top};
  ScreenToClient(dialog, &p);
  return p;
}

void MoveTo(HWND dialog, int id, POINT p) {
  SetWindowPos(GetDlgItem(dialog, id), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

bool Checked(HWND dialog, int id) {
  return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::u16string ComboItem(HWND combo, LRESULT index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  return qp::FromWide(text.data());
}

struct LabelledCombo {
  int combo, label;
};
constexpr LabelledCombo kCombos[] = {{IDC_CHECK_EVERY, IDC_CHECK_EVERY_LABEL},
                                     {IDC_DISPLAY_FOR, IDC_DISPLAY_FOR_LABEL},
                                     {IDC_SHOW, IDC_SHOW_LABEL}};


RECT ToRect(const ScreenRect& r) { return {r.left, r.top, r.right, r.bottom}; }

TextSize Measure(HDC dc, HFONT font, std::u16string_view text) {
  const qp::ScopedSelection selected(dc, font);
  return MeasureLine(dc, text);
}

// A combo box and its edit field are named by the label above them, as
// the system does on Windows; Wine names them by their text.
void NameByLabel(HWND dialog, const LabelledCombo& c) {
  const std::u16string label = ControlText(dialog, c.label);
  HWND combo = GetDlgItem(dialog, c.combo);
  qp::Annotate(combo, {label, {}, 0, {}});
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (combo && GetComboBoxInfo(combo, &info) && info.hwndItem) {
    qp::Annotate(info.hwndItem, {label, {}, 0, {}});
  }
}

int32_t CurrentValue(SettingsCombo combo, bool internalDomain) {
  switch (combo) {
    case SettingsCombo::kCheckEvery:
      return static_cast<int32_t>(ReadCheckInterval(internalDomain));
    case SettingsCombo::kShow:
      return static_cast<int32_t>(ReadShowLimit());
    default:
      return static_cast<int32_t>(ReadPopupTime());
  }
}

}  // namespace

template <unsigned kSlots>
SettingsDlg<kSlots>::SettingsDlg(HINSTANCE module, bool hideLogo, AccountService& service,
                                 qp::RegistryPort& registry, std::u16string programPath)
    : QptnDlg(module, IDD_SETTINGS, hideLogo),
      service_(service),
      registry_(registry),
      programPath_(std::move(programPath)),
      runAtLogin_(MakeRunAtLoginEntry(registry, programPath_)) {}

template <unsigned kSlots>
void SettingsDlg<kSlots>::initDialog() {
  NotifierDialog::initDialog();
  for (int id : kFontedControls) {
    SendDlgItemMessageW(Handle(), id, WM_SETFONT, reinterpret_cast<WPARAM>(Get(kNormal)), FALSE);
  }
  GetWindowRect(Handle(), &startWindow_);
  startAdd_ = ClientPosition(Handle(), IDC_ADD_ACCOUNT);
  startClose_ = ClientPosition(Handle(), IDCANCEL);
  startNotice_ = ClientPosition(Handle(), IDC_NOTICE);

  std::array<std::u16string, kSlots> addresses{};
  std::array<std::u16string, kSlots> passwords{};
  count_ = LoadAccounts(addresses.data(), passwords.data(), internalDomain_, kSlots);
  for (unsigned i = 0; i < kSlots; ++i) rows_[i] = {addresses[i], passwords[i]};
  for (std::u16string& p : passwords) WipePassword(p);
  EnableWindow(GetDlgItem(Handle(), IDC_ADD_ACCOUNT), count_ < kSlots);

  RegistryEntry mailto(registry_, kMailtoCommandKey, std::nullopt, programPath_,
                       kMailtoCommandSuffix);
  CheckDlgButton(Handle(), IDC_RUN_AT_LOGIN, runAtLogin_.IsSet() ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(Handle(), IDC_MAILTO_LINKS, mailto.IsSet() ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(Handle(), IDC_ALERT_SOUND, ReadSound() ? BST_CHECKED : BST_UNCHECKED);

  FillCombo(IDC_CHECK_EVERY, SettingsCombo::kCheckEvery);
  FillCombo(IDC_SHOW, SettingsCombo::kShow);
  FillCombo(IDC_DISPLAY_FOR, SettingsCombo::kDisplayFor);
  for (const LabelledCombo& c : kCombos) NameByLabel(Handle(), c);
  AddRowControls();
  ShowRows();
  AddHeaderButtons(kSettingsHeading);
  FitHeight();
  // Nothing to show without an account: the account dialog comes first.
  if (count_ == 0) Add();
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::FillCombo(int id, SettingsCombo combo) {
  for (const std::u16string& item : FixedItems(combo, internalDomain_)) {
    SendDlgItemMessageW(Handle(), id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(qp::Wide(item)));
  }
  ShowCurrent(id, combo);
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::ShowCurrent(int id, SettingsCombo combo) {
  HWND box = GetDlgItem(Handle(), id);
  std::vector<std::u16string> items;
  const LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) items.push_back(ComboItem(box, i));
  const std::u16string text = ShownText(combo, CurrentValue(combo, internalDomain_));
  const size_t index = SelectOrAdd(items, text);
  if (index >= static_cast<size_t>(count)) {
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(qp::Wide(text)));
  }
  SendMessageW(box, CB_SETCURSEL, index, 0);
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::Store(SettingsCombo combo, const std::u16string& text) {
  const int32_t n = StoredValue(combo, text);
  switch (combo) {
    case SettingsCombo::kCheckEvery:
      WriteCheckInterval(n);
      break;
    case SettingsCombo::kShow:
      WriteShowLimit(static_cast<uint32_t>(n));
      break;
    case SettingsCombo::kDisplayFor:
      WritePopupTime(n);
      break;
  }
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::ComboChanged(int id, SettingsCombo combo, int code) {
  HWND box = GetDlgItem(Handle(), id);
  switch (code) {
    case CBN_SELCHANGE:
      return React(id, combo,
                   edits_.SelectionChanged(ComboItem(box, SendMessageW(box, CB_GETCURSEL, 0, 0))));
    case CBN_EDITCHANGE:
      return React(id, combo, edits_.EditChanged(combo, ControlText(Handle(), id)));
    case CBN_KILLFOCUS:
      return React(id, combo, edits_.FocusLost(combo, ControlText(Handle(), id)));
    default:
      return;
  }
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::React(int id, SettingsCombo combo, ComboReaction reaction) {
  if (reaction.store) Store(combo, *reaction.store);
  if (reaction.showCurrent) ShowCurrent(id, combo);
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::command(int id, int code) {
  switch (id) {
    case IDC_CHECK_EVERY:
      return ComboChanged(id, SettingsCombo::kCheckEvery, code);
    case IDC_SHOW:
      return ComboChanged(id, SettingsCombo::kShow, code);
    case IDC_DISPLAY_FOR:
      return ComboChanged(id, SettingsCombo::kDisplayFor, code);
    case IDC_RUN_AT_LOGIN:
      runAtLogin_.Set(Checked(Handle(), id));
      return;
    case IDC_MAILTO_LINKS:
      RegisterMailto(registry_, programPath_, Checked(Handle(), id));
      SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
      return;
    case IDC_ALERT_SOUND:
      WriteSound(Checked(Handle(), id));
      return;
    case IDC_ADD_ACCOUNT:
      return Add();
    default:
      if (code == BN_CLICKED) Act(CommandAction(id, count_));
      return QptnDlg::command(id, code);
  }
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::Act(ListAction action) {
  switch (action.kind) {
    case ListAction::kEdit:
      return Edit(action.row);
    case ListAction::kDelete:
      return Delete(action.row);
    default:
      return;
  }
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::AddRowControls() {
  ActionTexts texts;
  {
    const qp::WindowDc dc(Handle());
    texts = {Measure(dc.Get(), Get(kUnderlined), u"Edit"), Measure(dc.Get(), Get(kNormal), u" | "),
             Measure(dc.Get(), Get(kUnderlined), u"Delete")};
  }
  RECT client{};
  GetClientRect(Handle(), &client);
  places_ = PlaceAccountList(startWindow_.bottom - startWindow_.top, client.right, kSlots, texts);
  // In the tab order after the combos, row by row: the address, then
  // its links; Add and Close follow. ShowRows names them.
  HWND after = GetDlgItem(Handle(), IDC_SHOW);
  for (unsigned i = 0; i < kSlots; ++i) {
    const AccountRowPlaces& row = places_.rows[i];
    const ScreenRect& at = row.addressText;
    HWND address = CreateWindowExW(
        0, L"Static", L"", WS_CHILD | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, at.left,
        at.top, at.right - at.left, at.bottom - at.top, Handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(AddressControlId(i))), Module(), nullptr);
    if (address) {
      SendMessageW(address, WM_SETFONT, reinterpret_cast<WPARAM>(Get(kNormal)), FALSE);
      SetWindowPos(address, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      after = address;
    }
    for (RowLink link : {RowLink::kEdit, RowLink::kDelete}) {
      const bool edit = link == RowLink::kEdit;
      HWND button = qp::AddDrawnButton(Handle(), LinkControlId(i, link), edit ? u"Edit" : u"Delete",
                                       ToRect(edit ? row.edit : row.remove), after, {});
      if (button) after = button;
    }
  }
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::ShowRows() {
  // A link that is going away hands the focus on first.
  HWND focus = GetFocus();
  for (unsigned i = 0; i < kSlots; ++i) {
    const bool shown = i < count_;
    const std::u16string& address = rows_[i].address;
    HWND text = GetDlgItem(Handle(), AddressControlId(i));
    SetWindowTextW(text, shown ? qp::Wide(address) : L"");
    for (RowLink link : {RowLink::kEdit, RowLink::kDelete}) {
      HWND control = GetDlgItem(Handle(), LinkControlId(i, link));
      qp::Annotate(control, {LinkName(link, address), {}, ROLE_SYSTEM_LINK, kJumpAction});
      if (!shown && control == focus) {
        SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(Handle(), IDC_ADD_ACCOUNT)),
                     TRUE);
      }
      ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
    }
    ShowWindow(text, shown ? SW_SHOWNA : SW_HIDE);
  }
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::FitHeight() {
  const int b = HeightReduction(count_);
  MoveTo(Handle(), IDC_ADD_ACCOUNT, {startAdd_.x, startAdd_.y - b});
  MoveTo(Handle(), IDCANCEL, {startClose_.x, startClose_.y - b});
  MoveTo(Handle(), IDC_NOTICE, {startNotice_.x, startNotice_.y - b});
  SetWindowPos(Handle(), nullptr, startWindow_.left, startWindow_.top + b,
               startWindow_.right - startWindow_.left,
               startWindow_.bottom - startWindow_.top - b, SWP_NOZORDER);
  InvalidateRect(Handle(), nullptr, FALSE);
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::SaveList() {
  std::array<std::u16string, kSlots> addresses{};
  std::array<std::u16string, kSlots> passwords{};
  for (unsigned i = 0; i < count_; ++i) {
    addresses[i] = rows_[i].address;
    passwords[i] = rows_[i].password;
  }
  SaveAccounts(passwords.data(), addresses.data(), count_);
  for (std::u16string& p : passwords) WipePassword(p);
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::Add() {
  if (count_ >= kSlots) return;
  rows_[count_] = AccountRow{};
  EmailDlg dialog(Module(), hideLogo_, service_, rows_[count_].address, rows_[count_].password);
  if (dialog.Run(Handle()) == 1) {
    ++count_;
    ShowRows();
    Repaint();
    SaveList();
    if (count_ == kSlots) EnableWindow(GetDlgItem(Handle(), IDC_ADD_ACCOUNT), FALSE);
  }
  FitHeight();
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::Edit(unsigned row) {
  EmailDlg dialog(Module(), hideLogo_, service_, rows_[row].address, rows_[row].password);
  if (dialog.Run(Handle()) == 1) {
    ShowRows();
    Repaint();
    SaveList();
  }
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::Delete(unsigned row) {
  ConfirmDlg confirm(Module());
  if (confirm.Run(Handle()) != 1) return;
  if (count_ == kSlots) EnableWindow(GetDlgItem(Handle(), IDC_ADD_ACCOUNT), TRUE);
  std::vector<AccountRow> rows(rows_.begin(), rows_.end());
  DeleteRow(rows, count_, row);
  std::copy(rows.begin(), rows.end(), rows_.begin());
  ShowRows();
  Repaint();
  SaveList();
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::paint(HDC dc, const RECT& client) {
  PaintHeader(dc, client);
  PaintHeading(dc, client, kSettingsHeading);
  qp::UniqueBrush grey(CreateSolidBrush(ToColorref(Colours().titleRowFill)));
  qp::UniquePen pen(CreatePen(PS_SOLID, 1, ToColorref(Colours().gridLine)));
  const HGDIOBJ oldPen = SelectObject(dc, pen.Get());
  const HGDIOBJ oldBrush = SelectObject(dc, grey.Get());
  const HGDIOBJ oldFont = SelectObject(dc, Get(kBold));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorref(Colours().text));
  auto cell = [&](const ScreenRect& r) { Rectangle(dc, r.left, r.top, r.right, r.bottom); };
  auto cellText = [&](const ScreenRect& r, const wchar_t* text) {
    RECT at{r.left + 12, r.top, r.right, r.bottom};
    DrawTextW(dc, text, -1, &at, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  };
  cell(places_.addressTitle);
  cell(places_.actionsTitle);
  cellText(places_.addressTitle, L"Email Address");
  cellText(places_.actionsTitle, L"Actions");
  // The rows' cells and the separators between their links; the
  // addresses and the links are controls of their own.
  SelectObject(dc, Get(kNormal));
  for (unsigned i = 0; i < count_ && i < places_.rows.size(); ++i) {
    const AccountRowPlaces& row = places_.rows[i];
    SelectObject(dc, row.shaded ? ShadeBrush() : GetStockObject(HOLLOW_BRUSH));
    cell(row.address);
    cell(row.actions);
    RECT separator = ToRect(row.separator);
    DrawTextW(dc, L" | ", -1, &separator, DT_NOPREFIX | DT_SINGLELINE | DT_CENTER);
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

template <unsigned kSlots>
HBRUSH SettingsDlg<kSlots>::ShadeBrush() {
  const COLORREF colour = ToColorref(Colours().shadedRowFill);
  if (!shade_ || shadeColour_ != colour) {
    shade_.Reset(CreateSolidBrush(colour));
    shadeColour_ = colour;
  }
  return shade_.Get();
}

// "Edit" and "Delete": underlined in the link colour on the row's fill.
template <unsigned kSlots>
bool SettingsDlg<kSlots>::drawItem(const DRAWITEMSTRUCT& item) {
  const ListAction action = CommandAction(static_cast<int>(item.CtlID), kSlots);
  if (action.kind == ListAction::kNone) return QptnDlg::drawItem(item);
  const bool shaded = places_.rows[action.row].shaded;
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, shaded ? ShadeBrush() : BackgroundBrush());
  const HGDIOBJ oldFont = SelectObject(item.hDC, Get(kUnderlined));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, ToColorref(Colours().link));
  DrawTextW(item.hDC, action.kind == ListAction::kEdit ? L"Edit" : L"Delete", -1, &r,
            DT_NOPREFIX | DT_SINGLELINE);
  SelectObject(item.hDC, oldFont);
  DrawFocus(item);
  return true;
}

// The address texts take their row's fill.
template <unsigned kSlots>
HBRUSH SettingsDlg<kSlots>::controlColor(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  for (unsigned i = 0; i < kSlots; ++i) {
    if (id != AddressControlId(i) || !places_.rows[i].shaded) continue;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorref(Colours().text));
    return ShadeBrush();
  }
  return QptnDlg::controlColor(dc, control);
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::leftButtonDown(int x, int y) {
  const ListAction action = ClickAction(places_, count_, x, y);
  if (action.kind != ListAction::kNone) return Act(action);
  QptnDlg::leftButtonDown(x, y);
}

template <unsigned kSlots>
bool SettingsDlg<kSlots>::setCursor() {
  const POINT p = CursorInClient(Handle());
  if (ClickAction(places_, count_, p.x, p.y).kind != ListAction::kNone) {
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
    return true;
  }
  return QptnDlg::setCursor();
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::help(const std::u16string& topic) {
  const Credentials first =
      count_ > 0 ? Credentials{rows_[0].address, rows_[0].password} : Credentials{};
  QPTSoapNS::OptString url;
  if (service_.GetUrl(first, u"help", topic, url).Ok() && url && !url->empty()) {
    qp::ShellOpenWebAddress(nullptr, *url);
  }
}

template class SettingsDlg<5>;

void SettingsDialogWin::Run() {
  if (!service_) return;
  const BoolSetting privateLabel(u"pl", false);
  SettingsDlg<5> dialog(module_, privateLabel.value, *service_, registry_, programPath_);
  dialog.Run(parent_);
}

}  // namespace qptn
