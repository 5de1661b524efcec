#include "common/win32/accessible_win.h"

#include <commctrl.h>

#include <utility>

#include "common/win32/wide_win.h"

namespace qp {

namespace {

HRESULT ToBstr(const std::u16string& text, BSTR* out) {
  *out = SysAllocStringLen(Wide(text), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

class AnnotatedAccessible final : public ComObject<AnnotatedAccessible, OwnAccessible> {
 public:
  static constexpr InterfaceEntry<AnnotatedAccessible> kInterfaces[] = {
      QP_OWN_ACCESSIBLE_INTERFACES(AnnotatedAccessible)};

  static AnnotatedAccessible* Create(HWND window, const AccessibleFacts& facts) {
    ComPtr<IAccessible> standard = Standard(window);
    if (!standard) return nullptr;
    auto* object = new AnnotatedAccessible(window, facts);
    object->UseStandard(std::move(standard));
    return object;
  }

 private:
  friend class ComObject<AnnotatedAccessible, OwnAccessible>;
  AnnotatedAccessible(HWND window, AccessibleFacts facts)
      : window_(window), facts_(std::move(facts)) {}
  ~AnnotatedAccessible() = default;

  std::u16string Name() const override { return facts_.name; }
  std::u16string Description() const override { return facts_.description; }
  LONG Role() const override { return facts_.role; }
  std::u16string DefaultAction() const override { return facts_.defaultAction; }
  // Posted, not sent: the click may open a modal dialog, which must not run
  // inside the screen reader's call.
  HRESULT Act() override {
    if (facts_.defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
    return PostMessageW(window_, BM_CLICK, 0, 0) ? S_OK : E_FAIL;
  }
  bool Connected() const override { return IsWindow(window_) != FALSE; }

  HWND window_;
  AccessibleFacts facts_;
};

constexpr UINT_PTR kAnnotation = 0x51504131;  // "QPA1"
constexpr UINT_PTR kEnterClicks = 0x51504132;
// Where a window keeps the facts it answers with.
constexpr wchar_t kFactsProperty[] = L"qp.accessible";

LRESULT CALLBACK Annotated(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                           UINT_PTR id, DWORD_PTR) {
  auto* facts = static_cast<AccessibleFacts*>(GetPropW(window, kFactsProperty));
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT && facts) {
    ComPtr<AnnotatedAccessible> object =
        ComPtr<AnnotatedAccessible>::Adopt(AnnotatedAccessible::Create(window, *facts));
    if (object) {
      return LresultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(object.Get()));
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, Annotated, id);
    RemovePropW(window, kFactsProperty);
    delete facts;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK EnterClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                             UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case WM_GETDLGCODE: {
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      const LRESULT code = DefSubclassProc(window, message, wParam, lParam);
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        return code | DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        PostMessageW(window, BM_CLICK, 0, 0);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\r') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, EnterClicks, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

// --- OwnAccessible ------------------------------------------------------------------

ComPtr<IAccessible> OwnAccessible::Standard(HWND window) {
  ComPtr<IAccessible> standard;
  if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible,
                                       standard.PutVoid()))) {
    return {};
  }
  return standard;
}

void OwnAccessible::UseStandard(ComPtr<IAccessible> standard) {
  standard_ = std::move(standard);
  children_ = {};
  if (standard_) standard_->QueryInterface(IID_IEnumVARIANT, children_.PutVoid());
}

HRESULT OwnAccessible::Which(const VARIANT& child) const {
  if (!Connected() || !standard_) return RPC_E_DISCONNECTED;
  if (child.vt != VT_I4) return E_INVALIDARG;
  return child.lVal == CHILDID_SELF ? S_OK : S_FALSE;
}

STDMETHODIMP OwnAccessible::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP OwnAccessible::get_accName(VARIANT child, BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  const HRESULT which = Which(child);
  if (which != S_OK) return FAILED(which) ? which : standard_->get_accName(child, name);
  const std::u16string own = Name();
  return own.empty() ? standard_->get_accName(child, name) : ToBstr(own, name);
}

STDMETHODIMP OwnAccessible::get_accDescription(VARIANT child, BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  const HRESULT which = Which(child);
  if (which != S_OK) {
    return FAILED(which) ? which : standard_->get_accDescription(child, description);
  }
  const std::u16string own = Description();
  return own.empty() ? standard_->get_accDescription(child, description)
                     : ToBstr(own, description);
}

STDMETHODIMP OwnAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  VariantInit(role);
  const HRESULT which = Which(child);
  if (which != S_OK || Role() == 0) {
    return FAILED(which) ? which : standard_->get_accRole(child, role);
  }
  role->vt = VT_I4;
  role->lVal = Role();
  return S_OK;
}

STDMETHODIMP OwnAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (!action) return E_POINTER;
  *action = nullptr;
  const HRESULT which = Which(child);
  if (which != S_OK) return FAILED(which) ? which : standard_->get_accDefaultAction(child, action);
  const std::u16string own = DefaultAction();
  return own.empty() ? standard_->get_accDefaultAction(child, action) : ToBstr(own, action);
}

STDMETHODIMP OwnAccessible::accDoDefaultAction(VARIANT child) {
  const HRESULT which = Which(child);
  if (which != S_OK) return FAILED(which) ? which : standard_->accDoDefaultAction(child);
  return DefaultAction().empty() ? standard_->accDoDefaultAction(child) : Act();
}

#define QP_STANDARD(call)                              \
  do {                                                 \
    if (!Connected() || !standard_) return RPC_E_DISCONNECTED; \
    return standard_->call;                            \
  } while (0)

STDMETHODIMP OwnAccessible::get_accParent(IDispatch** parent) {
  QP_STANDARD(get_accParent(parent));
}
STDMETHODIMP OwnAccessible::get_accChildCount(LONG* count) {
  QP_STANDARD(get_accChildCount(count));
}
STDMETHODIMP OwnAccessible::get_accChild(VARIANT child, IDispatch** object) {
  QP_STANDARD(get_accChild(child, object));
}
STDMETHODIMP OwnAccessible::get_accValue(VARIANT child, BSTR* value) {
  QP_STANDARD(get_accValue(child, value));
}
STDMETHODIMP OwnAccessible::get_accState(VARIANT child, VARIANT* state) {
  QP_STANDARD(get_accState(child, state));
}
STDMETHODIMP OwnAccessible::get_accHelp(VARIANT child, BSTR* help) {
  QP_STANDARD(get_accHelp(child, help));
}
STDMETHODIMP OwnAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
  QP_STANDARD(get_accHelpTopic(file, child, topic));
}
STDMETHODIMP OwnAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  QP_STANDARD(get_accKeyboardShortcut(child, shortcut));
}
STDMETHODIMP OwnAccessible::get_accFocus(VARIANT* focus) { QP_STANDARD(get_accFocus(focus)); }
STDMETHODIMP OwnAccessible::get_accSelection(VARIANT* selection) {
  QP_STANDARD(get_accSelection(selection));
}
STDMETHODIMP OwnAccessible::accSelect(LONG flags, VARIANT child) {
  QP_STANDARD(accSelect(flags, child));
}
STDMETHODIMP OwnAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) {
  QP_STANDARD(accLocation(left, top, width, height, child));
}
STDMETHODIMP OwnAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
  QP_STANDARD(accNavigate(direction, start, end));
}
STDMETHODIMP OwnAccessible::accHitTest(LONG left, LONG top, VARIANT* child) {
  QP_STANDARD(accHitTest(left, top, child));
}

#undef QP_STANDARD

// --- the children's enumeration ---------------------------------------------------------

STDMETHODIMP OwnAccessible::Next(ULONG count, VARIANT* items, ULONG* fetched) {
  if (!Connected() || !children_) return E_NOTIMPL;
  return children_->Next(count, items, fetched);
}
STDMETHODIMP OwnAccessible::Skip(ULONG count) {
  if (!Connected() || !children_) return E_NOTIMPL;
  return children_->Skip(count);
}
STDMETHODIMP OwnAccessible::Reset() {
  if (!Connected() || !children_) return E_NOTIMPL;
  return children_->Reset();
}
STDMETHODIMP OwnAccessible::Clone(IEnumVARIANT** copy) {
  if (!copy) return E_POINTER;
  *copy = nullptr;
  if (!Connected() || !children_) return E_NOTIMPL;
  return children_->Clone(copy);
}

// --- windows ---------------------------------------------------------------------------

bool Annotate(HWND window, AccessibleFacts facts) {
  if (!window) return false;
  if (auto* kept = static_cast<AccessibleFacts*>(GetPropW(window, kFactsProperty))) {
    *kept = std::move(facts);
    return true;
  }
  auto* kept = new AccessibleFacts(std::move(facts));
  if (!SetPropW(window, kFactsProperty, kept)) {
    delete kept;
    return false;
  }
  if (!SetWindowSubclass(window, Annotated, kAnnotation, 0)) {
    RemovePropW(window, kFactsProperty);
    delete kept;
    return false;
  }
  return true;
}

HWND AddDrawnButton(HWND parent, int id, const std::u16string& text, const RECT& place,
                    HWND after, AccessibleFacts facts) {
  const bool shown = !IsRectEmpty(&place);
  HWND button = CreateWindowExW(
      0, L"Button", Wide(text), WS_CHILD | WS_TABSTOP | BS_OWNERDRAW | (shown ? WS_VISIBLE : 0),
      place.left, place.top, place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (!button) return nullptr;
  SetWindowPos(button, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ClickOnEnter(button);
  Annotate(button, std::move(facts));
  return button;
}

bool ClickOnEnter(HWND button) {
  return button && SetWindowSubclass(button, EnterClicks, kEnterClicks, 0);
}

void AnnounceShown(HWND window) {
  if (window && IsWindowVisible(window)) {
    NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF);
  }
}

}  // namespace qp
