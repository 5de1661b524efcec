#include "notifier/dialogs/win32/settings_dialog_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

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
      Store(combo, ComboItem(box, SendMessageW(box, CB_GETCURSEL, 0, 0)));
      return;
    case CBN_EDITCHANGE:
      Edited(combo) = true;
      if (LeadingInteger(ControlText(Handle(), id)) == 0) ShowCurrent(id, combo);
      return;
    case CBN_KILLFOCUS:
      if (!Edited(combo)) return;
      Store(combo, ControlText(Handle(), id));
      ShowCurrent(id, combo);
      Edited(combo) = false;
      return;
    default:
      return;
  }
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
      return;
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
  Repaint();
  SaveList();
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::paint(HDC dc, const RECT& client) {
  PaintHeader(dc, client);
  PaintHeading(dc, client, kSettingsHeading);
  qp::UniqueBrush grey(CreateSolidBrush(ToColorref(Colours().titleRowFill)));
  qp::UniqueBrush light(CreateSolidBrush(ToColorref(Colours().shadedRowFill)));
  qp::UniquePen pen(CreatePen(PS_SOLID, 1, ToColorref(Colours().gridLine)));
  const HGDIOBJ oldPen = SelectObject(dc, pen.Get());
  const HGDIOBJ oldBrush = SelectObject(dc, grey.Get());
  const HGDIOBJ oldFont = SelectObject(dc, Get(kBold));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorref(Colours().text));
  const int top = (startWindow_.bottom - startWindow_.top) * 17 / 40;
  RECT address{12, top, 330, top + 21};
  RECT actions{329, top, client.right - 12, top + 21};
  auto cellText = [&](const RECT& cell, const wchar_t* text) {
    RECT r{cell.left + 12, cell.top, cell.right, cell.bottom};
    DrawTextW(dc, text, -1, &r, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  };
  Rectangle(dc, address.left, address.top, address.right, address.bottom);
  Rectangle(dc, actions.left, actions.top, actions.right, actions.bottom);
  cellText(address, L"Email Address");
  cellText(actions, L"Actions");
  for (unsigned i = 0; i < count_; ++i) {
    RECT a = address, b = actions;
    OffsetRect(&a, 0, 20 * static_cast<int>(i + 1));
    OffsetRect(&b, 0, 20 * static_cast<int>(i + 1));
    SelectObject(dc, i % 2 == 1 ? light.Get() : GetStockObject(HOLLOW_BRUSH));
    Rectangle(dc, a.left, a.top, a.right, a.bottom);
    Rectangle(dc, b.left, b.top, b.right, b.bottom);
    SelectObject(dc, Get(kNormal));
    SetTextColor(dc, ToColorref(Colours().text));
    cellText(a, qp::Wide(rows_[i].address));
    // "Edit | Delete", the links in blue and underlined.
    int x = b.left + 12;
    const int y = b.top + 2;
    auto put = [&](const wchar_t* text, Font font, COLORREF colour, UINT align) {
      SelectObject(dc, Get(font));
      RECT r{x, y, x, y};
      DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
      SetTextColor(dc, colour);
      DrawTextW(dc, text, -1, &r, DT_NOPREFIX | DT_SINGLELINE | align);
      x = r.right;
      return r;
    };
    editRects_[i] = put(L"Edit", kUnderlined, ToColorref(Colours().link), 0);
    put(L" | ", kNormal, ToColorref(Colours().text), DT_CENTER);
    deleteRects_[i] = put(L"Delete", kUnderlined, ToColorref(Colours().link), 0);
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

template <unsigned kSlots>
void SettingsDlg<kSlots>::leftButtonDown(int x, int y) {
  for (unsigned i = 0; i < count_; ++i) {
    if (Inside(editRects_[i], x, y)) return Edit(i);
  }
  for (unsigned i = 0; i < count_; ++i) {
    if (Inside(deleteRects_[i], x, y)) return Delete(i);
  }
  QptnDlg::leftButtonDown(x, y);
}

template <unsigned kSlots>
bool SettingsDlg<kSlots>::setCursor() {
  const POINT p = CursorInClient(Handle());
  for (unsigned i = 0; i < count_; ++i) {
    if (Inside(editRects_[i], p.x, p.y) || Inside(deleteRects_[i], p.x, p.y)) {
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      return true;
    }
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
