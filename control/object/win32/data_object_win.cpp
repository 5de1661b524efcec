// IDataObject: the control offers no data formats; advises are kept for
// the container.
#include "control/object/win32/control_object_win.h"

namespace gwax {

STDMETHODIMP GatherwickControl::GetData(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }

STDMETHODIMP GatherwickControl::GetDataHere(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }

STDMETHODIMP GatherwickControl::QueryGetData(FORMATETC*) { return DV_E_FORMATETC; }

STDMETHODIMP GatherwickControl::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP GatherwickControl::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP GatherwickControl::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
  if (formats) *formats = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP GatherwickControl::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                        DWORD* connection) {
  if (!dataAdvise_) {
    const HRESULT hr = CreateDataAdviseHolder(dataAdvise_.Put());
    if (FAILED(hr)) return hr;
  }
  return dataAdvise_->Advise(this, format, flags, sink, connection);
}

STDMETHODIMP GatherwickControl::DUnadvise(DWORD connection) {
  return dataAdvise_ ? dataAdvise_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP GatherwickControl::EnumDAdvise(IEnumSTATDATA** advises) {
  if (advises) *advises = nullptr;
  return dataAdvise_ ? dataAdvise_->EnumAdvise(advises) : OLE_E_ADVISENOTSUPPORTED;
}

}  // namespace gwax
