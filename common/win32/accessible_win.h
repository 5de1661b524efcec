// Windows as screen readers see them. The system makes a standard object
// for each window's client area (place, parent, state, focus, navigation);
// a window the project draws itself, or whose label the system does not
// find, answers with an object of its own that keeps the standard answers
// and gives its own name, description, role and default action.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "common/win32/com_object_win.h"
#include "common/win32/com_ptr_win.h"

namespace qp {

// IAccessible's id, spelled out: the import library hands the linker the
// address of an import thunk for IID_IAccessible, not the id itself.
inline constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The system's standard object, but for what the element says of itself.
// Elements inside it (a simple child id) get the standard answers too, and
// its children are enumerated as the standard object enumerates them.
class OwnAccessible : public IAccessible, public IEnumVARIANT {
 public:
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

  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
  STDMETHODIMP accDoDefaultAction(VARIANT child) override;

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

  STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumVARIANT** copy) override;

 protected:
  OwnAccessible() = default;
  virtual ~OwnAccessible() = default;
  // The system's standard object for the same window and object id; made
  // by the derived object before it is handed out.
  static ComPtr<IAccessible> Standard(HWND window);
  void UseStandard(ComPtr<IAccessible> standard);

  // The element's own answers. An empty text or a role of 0 leaves the
  // answer to the standard object; S_FALSE from Act: no action now.
  virtual std::u16string Name() const { return {}; }
  virtual std::u16string Description() const { return {}; }
  virtual LONG Role() const { return 0; }
  virtual std::u16string DefaultAction() const { return {}; }
  virtual HRESULT Act() { return DISP_E_MEMBERNOTFOUND; }
  // False once the element is gone: every question fails.
  virtual bool Connected() const { return true; }

 private:
  // S_OK for the element itself, S_FALSE for an element inside it, an
  // error when it is gone or `child` is no child id.
  HRESULT Which(const VARIANT& child) const;

  ComPtr<IAccessible> standard_;
  ComPtr<IEnumVARIANT> children_;  // none when the standard object has no list
};

// The interface table rows of an object on OwnAccessible.
#define QP_OWN_ACCESSIBLE_INTERFACES(Object)                                        \
  QP_INTERFACE(Object, IUnknown, IAccessible), QP_INTERFACE(Object, IDispatch, IAccessible), \
      {&::qp::kIidAccessible, &::qp::InterfaceOf<Object, IAccessible>},                    \
      QP_INTERFACE(Object, IEnumVARIANT, IEnumVARIANT)

// What an element says of itself; empty texts and a role of 0 leave the
// standard answer.
struct AccessibleFacts {
  std::u16string name;
  std::u16string description;
  LONG role = 0;
  std::u16string defaultAction;  // a button's action: clicks it
};

// From now on `window`'s client object answers with `facts`; a later call
// replaces them. False when the window could not be given them.
bool Annotate(HWND window, AccessibleFacts facts);

// A button the program draws itself (WM_DRAWITEM goes to `parent`) at
// `place`, reached with Tab right after `after` (HWND_TOP: first,
// HWND_BOTTOM: last), pressed with Enter or Space, and telling screen
// readers `facts`. Hidden while `place` is empty. Null on failure.
HWND AddDrawnButton(HWND parent, int id, const std::u16string& text, const RECT& place,
                    HWND after, AccessibleFacts facts);

// Enter pressed on `button` clicks it, as it does a push button; for the
// buttons the project draws itself, which the dialog manager treats as
// neither default nor push buttons.
bool ClickOnEnter(HWND button);

// Tells screen readers that `window` shows something that needs the user's
// attention now (an error, a status), when it is visible.
void AnnounceShown(HWND window);

}  // namespace qp
