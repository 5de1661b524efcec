// The popup as a screen reader sees it: the window's client object with the
// shown message as its name and description, an alert that opens the message
// as its default action. Everything else (place, parent, focus, navigation)
// is the system's standard client object.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "common/win32/com_object_win.h"
#include "common/win32/com_ptr_win.h"
#include "notifier/popup/notice_model.h"

namespace qptn {

// IAccessible's id, spelled out: the import library hands the linker the
// address of an import thunk for IID_IAccessible, not the id itself.
inline constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

class PopupAccessible final : public qp::ComObject<PopupAccessible, IAccessible> {
 public:
  static constexpr qp::InterfaceEntry<PopupAccessible> kInterfaces[] = {
      QP_INTERFACE(PopupAccessible, IUnknown, IAccessible),
      QP_INTERFACE(PopupAccessible, IDispatch, IAccessible),
      {&kIidAccessible, &qp::InterfaceOf<PopupAccessible, IAccessible>}};

  // One reference for the caller; null when the standard object can't be made.
  static PopupAccessible* Create(HWND window, NoticeModel& model);
  // The window is going: every later question fails.
  void Disconnect() { model_ = nullptr; }

  // IDispatch: not offered; clients use IAccessible directly.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible: the popup's own answers.
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
  STDMETHODIMP accDoDefaultAction(VARIANT child) override;

  // IAccessible: the standard client object's answers.
  STDMETHODIMP get_accParent(IDispatch** parent) override;
  STDMETHODIMP get_accChildCount(LONG* count) override;
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  STDMETHODIMP get_accFocus(VARIANT* focus) override;
  STDMETHODIMP get_accSelection(VARIANT* selection) override;
  STDMETHODIMP accSelect(LONG flags, VARIANT child) override;
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                           VARIANT child) override;
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
  STDMETHODIMP accHitTest(LONG left, LONG top, VARIANT* child) override;
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  friend class qp::ComObject<PopupAccessible, IAccessible>;
  PopupAccessible(NoticeModel& model, qp::ComPtr<IAccessible> standard)
      : model_(&model), standard_(std::move(standard)) {}
  ~PopupAccessible() = default;

  // S_OK when `child` is the popup itself and the window is still there.
  HRESULT Self(const VARIANT& child) const;

  NoticeModel* model_;
  qp::ComPtr<IAccessible> standard_;
};

}  // namespace qptn
