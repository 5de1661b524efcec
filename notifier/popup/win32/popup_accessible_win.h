// The popup as a screen reader sees it: the window's client object with the
// shown message as its name and description, an alert that opens the message
// as its default action. Everything else (place, parent, focus, navigation)
// is the system's standard client object.
#pragma once

#include <windows.h>

#include "common/win32/accessible_win.h"
#include "notifier/popup/notice_model.h"

namespace qptn {

class PopupAccessible final : public qp::ComObject<PopupAccessible, qp::OwnAccessible> {
 public:
  static constexpr qp::InterfaceEntry<PopupAccessible> kInterfaces[] = {
      QP_OWN_ACCESSIBLE_INTERFACES(PopupAccessible)};

  // One reference for the caller; null when the standard object can't be made.
  static PopupAccessible* Create(HWND window, NoticeModel& model);
  // The window is going: every later question fails.
  void Disconnect() { model_ = nullptr; }

 private:
  friend class qp::ComObject<PopupAccessible, qp::OwnAccessible>;
  explicit PopupAccessible(NoticeModel& model) : model_(&model) {}
  ~PopupAccessible() = default;

  std::u16string Name() const override { return model_->AccessibleName(); }
  std::u16string Description() const override { return model_->AccessibleDescription(); }
  LONG Role() const override { return ROLE_SYSTEM_ALERT; }
  std::u16string DefaultAction() const override;
  HRESULT Act() override;
  bool Connected() const override { return model_ != nullptr; }

  NoticeModel* model_;
};

}  // namespace qptn
