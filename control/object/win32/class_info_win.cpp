// What a container may ask about the control's class: its type information
// (IProvideClassInfo2), its error info (ISupportErrorInfo) and its property
// pages (ISpecifyPropertyPages).
#include "control/object/win32/control_object_win.h"

namespace gwax {

// ISpecifyPropertyPages: none of its own.
STDMETHODIMP GatherwickControl::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  return S_OK;
}

// IProvideClassInfo, IProvideClassInfo2: no outgoing interface.
STDMETHODIMP GatherwickControl::GetClassInfo(ITypeInfo** info) { return ClassTypeInfo().Get(info); }

STDMETHODIMP GatherwickControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = GUID_NULL;
  return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? S_OK : E_INVALIDARG;
}

// ISupportErrorInfo
STDMETHODIMP GatherwickControl::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID_IGatherwick ? S_OK : S_FALSE;
}

}  // namespace gwax
