// The settings dialog: the accounts (added and changed through the account
// dialog), how often to check, how long and how many popups, the alert
// sound, start at login and the mailto: handler. Every change is written at
// once; there is only Close.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "common/registry.h"
#include "common/win32/gdi_win.h"
#include "notifier/check/check_ports.h"
#include "notifier/dialogs/account_list.h"
#include "notifier/dialogs/settings_rules.h"
#include "notifier/dialogs/win32/notifier_dialog_win.h"
#include "notifier/settings/shell_entries.h"

namespace qptn {

template <unsigned kSlots>
class SettingsDlg final : public QptnDlg {
 public:
  SettingsDlg(HINSTANCE module, bool hideLogo, AccountService& service,
              qp::RegistryPort& registry, std::u16string programPath);

 private:
  void initDialog() override;
  void paint(HDC dc, const RECT& client) override;
  void leftButtonDown(int x, int y) override;
  void command(int id, int code) override;
  HBRUSH controlColor(HDC dc, HWND control) override;
  bool setCursor() override;
  bool drawItem(const DRAWITEMSTRUCT& item) override;
  void help(const std::u16string& topic) override;

  void FillCombo(int id, SettingsCombo combo);
  void ShowCurrent(int id, SettingsCombo combo);
  void ComboChanged(int id, SettingsCombo combo, int code);
  void Store(SettingsCombo combo, const std::u16string& text);
  void React(int id, SettingsCombo combo, ComboReaction reaction);
  void FitHeight();
  // The rows' address texts and links, one of each per slot.
  void AddRowControls();
  // Shows the controls of the rows that hold an account, with their texts.
  void ShowRows();
  void Act(ListAction action);
  void Add();
  void Edit(unsigned row);
  void Delete(unsigned row);
  void SaveList();
  void Repaint() { InvalidateRect(Handle(), nullptr, TRUE); }

  AccountService& service_;
  qp::RegistryPort& registry_;
  const std::u16string programPath_;
  RegistryEntry runAtLogin_;
  std::array<AccountRow, kSlots> rows_{};
  AccountListPlaces places_;
  // Every second row's fill, made again when the colours change.
  HBRUSH ShadeBrush();
  qp::UniqueBrush shade_;
  COLORREF shadeColour_ = 0;
  unsigned count_ = 0;
  bool internalDomain_ = false;
  ComboEdits edits_;
  RECT startWindow_{};
  POINT startAdd_{}, startClose_{}, startNotice_{};
};

// The settings dialog as the mail check opens it, over the popup window.
class SettingsDialogWin final : public SettingsDialogPort {
 public:
  SettingsDialogWin(HINSTANCE module, qp::RegistryPort& registry, std::u16string programPath)
      : module_(module), registry_(registry), programPath_(std::move(programPath)) {}
  // Before the first Run: the service the dialogs call and their parent.
  void Bind(AccountService& service, HWND parent) {
    service_ = &service;
    parent_ = parent;
  }
  void Run() override;

 private:
  HINSTANCE module_;
  qp::RegistryPort& registry_;
  const std::u16string programPath_;
  AccountService* service_ = nullptr;
  HWND parent_ = nullptr;
};

}  // namespace qptn
