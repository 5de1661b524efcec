// In-place activation: IOleWindow, IOleInPlaceObject(Windowless) and
// IOleInPlaceActiveObject, and the control window they make and destroy.
#include "control/object/win32/control_object_win.h"

namespace gwax {

// IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
STDMETHODIMP GatherwickControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_.Handle();
  return *window ? S_OK : E_FAIL;
}

STDMETHODIMP GatherwickControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP GatherwickControl::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  UIDeactivate();
  window_.Close();
  inPlaceActive_ = false;
  if (inPlaceSite_) {
    if (windowless_) {
      if (auto ex = inPlaceSite_.As<IOleInPlaceSiteWindowless>(IID_IOleInPlaceSiteWindowless)) {
        ex->OnInPlaceDeactivateEx(TRUE);
      }
    } else {
      inPlaceSite_->OnInPlaceDeactivate();
    }
  }
  windowless_ = false;
  inPlaceSite_.Reset();
  return S_OK;
}

STDMETHODIMP GatherwickControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (document_) document_->SetActiveObject(nullptr, nullptr);
  frame_.Reset();
  document_.Reset();
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP GatherwickControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  position_ = *position;
  if (HWND window = window_.Handle()) {
    MoveWindow(window, position_.left, position_.top, position_.right - position_.left,
               position_.bottom - position_.top, TRUE);
  }
  return S_OK;
}

STDMETHODIMP GatherwickControl::ReactivateAndUndo() { return E_NOTIMPL; }

STDMETHODIMP GatherwickControl::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
  if (result) *result = 0;
  return S_FALSE;
}

STDMETHODIMP GatherwickControl::GetDropTarget(IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

// IOleInPlaceActiveObject: no menus, borders or accelerators of its own.
STDMETHODIMP GatherwickControl::TranslateAccelerator(LPMSG) { return S_FALSE; }

STDMETHODIMP GatherwickControl::OnFrameWindowActivate(BOOL) { return S_OK; }

STDMETHODIMP GatherwickControl::OnDocWindowActivate(BOOL) { return S_OK; }

STDMETHODIMP GatherwickControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

STDMETHODIMP GatherwickControl::EnableModeless(BOOL) { return S_OK; }

// In place, in a window of its own or, where the site allows, without one;
// `uiActivate` also makes it the active object of the frame and document.
HRESULT GatherwickControl::Activate(bool uiActivate) {
  if (!site_) return E_UNEXPECTED;
  if (!inPlaceActive_) {
    qp::ComPtr<IOleInPlaceSite> site = site_.As<IOleInPlaceSite>(IID_IOleInPlaceSite);
    if (!site) return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    auto windowlessSite = site.As<IOleInPlaceSiteWindowless>(IID_IOleInPlaceSiteWindowless);
    windowless_ = windowlessSite && windowlessSite->CanWindowlessActivate() == S_OK;
    HRESULT hr;
    if (windowless_) {
      BOOL noRedraw = FALSE;
      hr = windowlessSite->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
    } else {
      hr = site->OnInPlaceActivate();
    }
    if (FAILED(hr)) return hr;
    inPlaceActive_ = true;
    inPlaceSite_ = std::move(site);

    qp::ComPtr<IOleInPlaceFrame> frame;
    qp::ComPtr<IOleInPlaceUIWindow> document;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    if (SUCCEEDED(inPlaceSite_->GetWindowContext(frame.Put(), document.Put(), &position, &clip,
                                                 &frameInfo))) {
      position_ = position;
      frame_ = std::move(frame);
      document_ = std::move(document);
    }
    if (!windowless_) {
      HWND parent = nullptr;
      if (FAILED(inPlaceSite_->GetWindow(&parent)) || !window_.Open(parent, position_)) {
        InPlaceDeactivate();
        return E_FAIL;
      }
    }
  }
  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    if (frame_) frame_->SetActiveObject(this, nullptr);
    if (document_) document_->SetActiveObject(this, nullptr);
  }
  return S_OK;
}

}  // namespace gwax
