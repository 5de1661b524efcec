// IViewObject, IViewObject2, IViewObjectEx: the control draws nothing, and
// keeps the container's view sink.
#include "control/object/win32/control_object_win.h"

namespace gwax {

STDMETHODIMP GatherwickControl::Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL,
                                     LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                            LOGPALETTE** colours) {
  if (colours) *colours = nullptr;
  return S_FALSE;
}

STDMETHODIMP GatherwickControl::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze) *freeze = 0;
  return E_NOTIMPL;
}

STDMETHODIMP GatherwickControl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP GatherwickControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewSink_ = qp::ComPtr<IAdviseSink>::Share(sink);
  viewAspects_ = aspects;
  viewFlags_ = flags;
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) *sink = qp::ComPtr<IAdviseSink>::Share(viewSink_.Get()).Detach();
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

STDMETHODIMP GatherwickControl::GetRect(DWORD aspect, LPRECTL rect) {
  if (!rect) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *rect = RECTL{0, 0, static_cast<LONG>(extent_.cx), static_cast<LONG>(extent_.cy)};
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  *status = 0;  // transparent: nothing is drawn
  return S_OK;
}

STDMETHODIMP GatherwickControl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                                              DWORD* hit) {
  if (!bounds || !hit) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *hit = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP GatherwickControl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG,
                                             DWORD* hit) {
  if (!bounds || !rect || !hit) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  RECT common;
  *hit = IntersectRect(&common, bounds, rect) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*,
                                                 LPSIZEL) {
  return E_NOTIMPL;
}

}  // namespace gwax
