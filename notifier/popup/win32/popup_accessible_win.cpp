#include "notifier/popup/win32/popup_accessible_win.h"

namespace qptn {

PopupAccessible* PopupAccessible::Create(HWND window, NoticeModel& model) {
  qp::ComPtr<IAccessible> standard = Standard(window);
  if (!standard) return nullptr;
  auto* object = new PopupAccessible(model);
  object->UseStandard(std::move(standard));
  return object;
}

// Nothing to open while the popup is empty.
std::u16string PopupAccessible::DefaultAction() const {
  return model_->Mode() == PopupMode::kEmpty ? std::u16string() : u"Open";
}

HRESULT PopupAccessible::Act() {
  return model_->OnKey(PopupKey::kEnter) ? S_OK : DISP_E_MEMBERNOTFOUND;
}

}  // namespace qptn
