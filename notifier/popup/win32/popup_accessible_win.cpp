#include "notifier/popup/win32/popup_accessible_win.h"

#include <string>

#include "common/win32/wide_win.h"

namespace qptn {

namespace {

constexpr wchar_t kDefaultAction[] = L"Open";

HRESULT ToBstr(const std::u16string& text, BSTR* out) {
  *out = SysAllocStringLen(qp::Wide(text), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

PopupAccessible* PopupAccessible::Create(HWND window, NoticeModel& model) {
  qp::ComPtr<IAccessible> standard;
  if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible,
                                       standard.PutVoid())) ||
      !standard) {
    return nullptr;
  }
  return new PopupAccessible(model, std::move(standard));
}

HRESULT PopupAccessible::Self(const VARIANT& child) const {
  if (!model_) return RPC_E_DISCONNECTED;
  if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return E_INVALIDARG;
  return S_OK;
}

STDMETHODIMP PopupAccessible::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP PopupAccessible::get_accName(VARIANT child, BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  const HRESULT self = Self(child);
  return FAILED(self) ? self : ToBstr(model_->AccessibleName(), name);
}

STDMETHODIMP PopupAccessible::get_accDescription(VARIANT child, BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  const HRESULT self = Self(child);
  return FAILED(self) ? self : ToBstr(model_->AccessibleDescription(), description);
}

STDMETHODIMP PopupAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  VariantInit(role);
  const HRESULT self = Self(child);
  if (FAILED(self)) return self;
  role->vt = VT_I4;
  role->lVal = ROLE_SYSTEM_ALERT;
  return S_OK;
}

STDMETHODIMP PopupAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (!action) return E_POINTER;
  *action = nullptr;
  const HRESULT self = Self(child);
  if (FAILED(self)) return self;
  if (model_->Mode() == PopupMode::kEmpty) return S_FALSE;
  *action = SysAllocString(kDefaultAction);
  return *action ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PopupAccessible::accDoDefaultAction(VARIANT child) {
  const HRESULT self = Self(child);
  if (FAILED(self)) return self;
  return model_->OnKey(PopupKey::kEnter) ? S_OK : DISP_E_MEMBERNOTFOUND;
}

// --- the standard client object's answers -----------------------------------

#define QP_STANDARD(call)                        \
  do {                                           \
    if (!model_) return RPC_E_DISCONNECTED;      \
    return standard_->call;                      \
  } while (0)

STDMETHODIMP PopupAccessible::get_accParent(IDispatch** parent) {
  QP_STANDARD(get_accParent(parent));
}
STDMETHODIMP PopupAccessible::get_accChildCount(LONG* count) {
  QP_STANDARD(get_accChildCount(count));
}
STDMETHODIMP PopupAccessible::get_accChild(VARIANT child, IDispatch** object) {
  QP_STANDARD(get_accChild(child, object));
}
STDMETHODIMP PopupAccessible::get_accValue(VARIANT child, BSTR* value) {
  QP_STANDARD(get_accValue(child, value));
}
STDMETHODIMP PopupAccessible::get_accState(VARIANT child, VARIANT* state) {
  QP_STANDARD(get_accState(child, state));
}
STDMETHODIMP PopupAccessible::get_accHelp(VARIANT child, BSTR* help) {
  QP_STANDARD(get_accHelp(child, help));
}
STDMETHODIMP PopupAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
  QP_STANDARD(get_accHelpTopic(file, child, topic));
}
STDMETHODIMP PopupAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  QP_STANDARD(get_accKeyboardShortcut(child, shortcut));
}
STDMETHODIMP PopupAccessible::get_accFocus(VARIANT* focus) { QP_STANDARD(get_accFocus(focus)); }
STDMETHODIMP PopupAccessible::get_accSelection(VARIANT* selection) {
  QP_STANDARD(get_accSelection(selection));
}
STDMETHODIMP PopupAccessible::accSelect(LONG flags, VARIANT child) {
  QP_STANDARD(accSelect(flags, child));
}
STDMETHODIMP PopupAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) {
  QP_STANDARD(accLocation(left, top, width, height, child));
}
STDMETHODIMP PopupAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
  QP_STANDARD(accNavigate(direction, start, end));
}
STDMETHODIMP PopupAccessible::accHitTest(LONG left, LONG top, VARIANT* child) {
  QP_STANDARD(accHitTest(left, top, child));
}

#undef QP_STANDARD

}  // namespace qptn
