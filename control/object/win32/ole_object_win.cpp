// The control as an embedded OLE object: IOleObject, IOleControl and
// IQuickActivate.
#include "control/object/win32/control_object_win.h"

#include "control/constants.h"

namespace gwax {

// IOleControl: no mnemonics, no ambient properties of interest.
STDMETHODIMP GatherwickControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  const ULONG cb = info->cb;
  *info = CONTROLINFO{};
  info->cb = cb;
  return S_OK;
}

STDMETHODIMP GatherwickControl::OnMnemonic(MSG*) { return E_NOTIMPL; }

STDMETHODIMP GatherwickControl::OnAmbientPropertyChange(DISPID) { return S_OK; }

STDMETHODIMP GatherwickControl::FreezeEvents(BOOL) { return S_OK; }

// IOleObject
STDMETHODIMP GatherwickControl::SetClientSite(IOleClientSite* site) {
  site_ = qp::ComPtr<IOleClientSite>::Share(site);
  policy_.OnClientSite(site != nullptr);
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = qp::ComPtr<IOleClientSite>::Share(site_.Get()).Detach();
  return S_OK;
}

STDMETHODIMP GatherwickControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP GatherwickControl::Close(DWORD) {
  InPlaceDeactivate();
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

STDMETHODIMP GatherwickControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP GatherwickControl::GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  if (!site_) return E_UNEXPECTED;
  return site_->GetMoniker(assign, which, moniker);
}

STDMETHODIMP GatherwickControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP GatherwickControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP GatherwickControl::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND,
                                       LPCRECT position) {
  if (position) position_ = *position;
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
      return Activate(true);
    case OLEIVERB_INPLACEACTIVATE:
      return Activate(false);
    case OLEIVERB_HIDE:
      UIDeactivate();
      if (HWND window = window_.Handle()) ShowWindow(window, SW_HIDE);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_PROPERTIES:
      return E_NOTIMPL;
    default:
      if (verb < 0) return E_NOTIMPL;
      // An unknown positive verb runs the primary one, as OLE asks.
      return FAILED(Activate(true)) ? E_FAIL : OLEOBJ_S_INVALIDVERB;
  }
}

STDMETHODIMP GatherwickControl::EnumVerbs(IEnumOLEVERB** verbs) {
  return OleRegEnumVerbs(CLSID_Gatherwick, verbs);
}

STDMETHODIMP GatherwickControl::Update() { return S_OK; }

STDMETHODIMP GatherwickControl::IsUpToDate() { return S_OK; }

STDMETHODIMP GatherwickControl::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_Gatherwick;
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetUserType(DWORD form, LPOLESTR* type) {
  return OleRegGetUserType(CLSID_Gatherwick, form, type);
}

STDMETHODIMP GatherwickControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_.cx = static_cast<uint32_t>(size->cx);
  extent_.cy = static_cast<uint32_t>(size->cy);
  dirty_ = true;
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  size->cx = static_cast<LONG>(extent_.cx);
  size->cy = static_cast<LONG>(extent_.cy);
  return S_OK;
}

STDMETHODIMP GatherwickControl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!oleAdvise_) {
    const HRESULT hr = CreateOleAdviseHolder(oleAdvise_.Put());
    if (FAILED(hr)) return hr;
  }
  return oleAdvise_->Advise(sink, connection);
}

STDMETHODIMP GatherwickControl::Unadvise(DWORD connection) {
  return oleAdvise_ ? oleAdvise_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP GatherwickControl::EnumAdvise(IEnumSTATDATA** advises) {
  if (advises) *advises = nullptr;
  return oleAdvise_ ? oleAdvise_->EnumAdvise(advises) : E_FAIL;
}

STDMETHODIMP GatherwickControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

STDMETHODIMP GatherwickControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// IQuickActivate
STDMETHODIMP GatherwickControl::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (!container || !control) return E_POINTER;
  if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL)) {
    return E_INVALIDARG;
  }
  SetClientSite(container->pClientSite);
  if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
  const ULONG cb = control->cbSize;
  *control = QACONTROL{};
  control->cbSize = cb;
  control->dwMiscStatus = kMiscStatus;
  return S_OK;
}

STDMETHODIMP GatherwickControl::SetContentExtent(LPSIZEL size) {
  return SetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP GatherwickControl::GetContentExtent(LPSIZEL size) {
  return GetExtent(DVASPECT_CONTENT, size);
}

}  // namespace gwax
