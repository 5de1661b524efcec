// The ActiveX control object: IGatherwick for the page's script, and the
// embedding interfaces a container calls. It lives in the page's
// single-threaded apartment; every member runs to its end before returning.
#include "control/shell/win32/control_win.h"

#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>
#include <servprov.h>
#include <shlguid.h>
#include <wininet.h>

#include <atomic>
#include <new>
#include <string>

#include "common/win32/handle_win.h"
#include "common/win32/clipboard_win.h"
#include "common/win32/variant_win.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/downloads/download_list.h"
#include "control/object/page_base.h"
#include "control/object/extent_record.h"
#include "control/object/caller_policy.h"
#include "control/object/protected_mode.h"
#include "control/shell/win32/clipboard_win.h"
#include "control/shell/win32/downloads_win.h"
#include "control/shell/win32/guids_win.h"
#include "control/shell/win32/module_win.h"
#include "control/shell/win32/registration_win.h"
#include "control/shell/win32/script_array_win.h"

namespace gwax {
namespace {

constexpr wchar_t kWindowClass[] = L"GatherwickAXControl";
constexpr wchar_t kStorageStream[] = L"Contents";
constexpr DISPID kPrepareClipboardId = 6;
std::atomic<bool> g_windowClassRegistered{false};

// Remembered for the life of the loaded library.
ProtectedModeCache g_protectedMode;

ProtectedModeReply AskBrowserForProtectedMode() {
  using IsProtected = HRESULT(WINAPI*)(BOOL*);
  qp::UniqueLibrary ieframe(LoadLibraryW(L"ieframe.dll"));
  if (!ieframe) return {};
  const auto function = reinterpret_cast<IsProtected>(
      reinterpret_cast<void*>(GetProcAddress(ieframe.Get(), "IEIsProtectedModeProcess")));
  if (!function) return {};
  BOOL answer = FALSE;
  const HRESULT hr = function(&answer);
  return {hr, answer ? 1 : 0};
}

std::u16string BstrText(BSTR text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text))
              : std::u16string();
}

bool IsSplittableAddress(std::u16string_view address) {
  const std::u16string text(address);
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = 1;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  return InternetCrackUrlW(qp::Wide(text), static_cast<DWORD>(text.size()), 0, &parts) != FALSE;
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The control shows nothing on the page.
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(window, message, wParam, lParam);
}

// The path of this process's program; empty when it can't be read.
std::u16string ProcessImagePath() noexcept {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  try {
    return qp::FromWide(path);
  } catch (...) {
    return {};
  }
}

bool EnsureWindowClass() {
  if (g_windowClassRegistered) return true;
  WNDCLASSW wc{};
  wc.lpfnWndProc = ControlWindowProc;
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = kWindowClass;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  if (RegisterClassW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    g_windowClassRegistered = true;
  }
  return g_windowClassRegistered;
}

class GatherwickControl final : public IGatherwick,
                                public IViewObjectEx,
                                public IOleInPlaceObjectWindowless,
                                public IOleInPlaceActiveObject,
                                public IOleControl,
                                public IOleObject,
                                public IPersistStreamInit,
                                public IPersistStorage,
                                public ISpecifyPropertyPages,
                                public IQuickActivate,
                                public IDataObject,
                                public IProvideClassInfo2,
                                public ISupportErrorInfo,
                                public IObjectWithSite {
 public:
  GatherwickControl() { ModuleAddRef(); }
  ~GatherwickControl() {
    DestroyControlWindow();
    ModuleRelease();
  }
  GatherwickControl(const GatherwickControl&) = delete;
  GatherwickControl& operator=(const GatherwickControl&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IGatherwick) {
      *object = static_cast<IGatherwick*>(this);
    } else if (iid == IID_IViewObjectEx || iid == IID_IViewObject2 || iid == IID_IViewObject) {
      *object = static_cast<IViewObjectEx*>(this);
    } else if (iid == IID_IOleInPlaceObjectWindowless || iid == IID_IOleInPlaceObject ||
               iid == IID_IOleWindow) {
      *object = static_cast<IOleInPlaceObjectWindowless*>(this);
    } else if (iid == IID_IOleInPlaceActiveObject) {
      *object = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (iid == IID_IOleControl) {
      *object = static_cast<IOleControl*>(this);
    } else if (iid == IID_IOleObject) {
      *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IPersistStreamInit) {
      *object = static_cast<IPersistStreamInit*>(this);
    } else if (iid == IID_IPersistStorage) {
      *object = static_cast<IPersistStorage*>(this);
    } else if (iid == IID_IPersist) {
      *object = static_cast<IPersistStreamInit*>(this);
    } else if (iid == IID_ISpecifyPropertyPages) {
      *object = static_cast<ISpecifyPropertyPages*>(this);
    } else if (iid == IID_IQuickActivate) {
      *object = static_cast<IQuickActivate*>(this);
    } else if (iid == IID_IDataObject) {
      *object = static_cast<IDataObject*>(this);
    } else if (iid == IID_IProvideClassInfo2 || iid == IID_IProvideClassInfo) {
      *object = static_cast<IProvideClassInfo2*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
      *object = static_cast<ISupportErrorInfo*>(this);
    } else if (iid == IID_IObjectWithSite) {
      *object = static_cast<IObjectWithSite*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const long left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch, through the embedded type library
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GatherwickTypeInfo(IID_IGatherwick, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    qp::ComPtr<ITypeInfo> info;
    const HRESULT hr = GatherwickTypeInfo(IID_IGatherwick, info.Put());
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(info.Get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (id == kPrepareClipboardId && (flags & DISPATCH_METHOD)) {
      return InvokePrepareClipboard(params, argError);
    }
    qp::ComPtr<ITypeInfo> info;
    const HRESULT hr = GatherwickTypeInfo(IID_IGatherwick, info.Put());
    if (FAILED(hr)) return hr;
    return DispInvoke(static_cast<IGatherwick*>(this), info.Get(), id, flags, params, result,
                      exception, argError);
  }

  // IGatherwick
  STDMETHODIMP get_Version(LONG* value) override {
    if (!value) return E_POINTER;
    *value = kInterfaceVersion;
    return S_OK;
  }
  STDMETHODIMP get_ProtectedMode(LONG* value) override {
    if (!value) return E_POINTER;
    try {
      *value = g_protectedMode.Answer(AskBrowserForProtectedMode);
    } catch (...) {
      *value = 0;
    }
    return S_OK;
  }
  STDMETHODIMP StartMultipleDownload() override {
    if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
    downloads_.Clear();
    return S_OK;
  }
  STDMETHODIMP AddDownload(BSTR url, BSTR name, BSTR size) override {
    if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
    try {
      gwax::AddDownload(downloads_, BstrText(url), BstrText(name), BstrText(size), pageBase_,
                        IsSplittableAddress);
    } catch (...) {
      return E_FAIL;
    }
    return S_OK;
  }
  STDMETHODIMP EndMultipleDownload(BSTR theme) override {
    if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
    try {
      if (downloads_.Count() > 0) DownloadListedFilesNotBuilt(downloads_, BstrText(theme), window_);
    } catch (...) {
    }
    downloads_.Clear();
    return S_OK;
  }
  STDMETHODIMP PrepareClipboard(BSTR host, BSTR user, BSTR theme, BSTR sid, VARIANT* keys,
                                VARIANT* names, VARIANT* sizes) override {
    if (HRESULT denied = CheckCaller(&host); FAILED(denied)) return denied;
    qp::ClipboardOpen clipboard(window_);
    if (!clipboard.IsOpen()) return S_OK;
    try {
      const UploadResult uploaded = PrepareClipboardNotBuilt(
          window_, {BstrText(host), BstrText(user), BstrText(theme), BstrText(sid)});
      if (uploaded.Count() > 0) {
        FillScriptArray(keys, uploaded.keys);
        FillScriptArray(names, uploaded.names);
        FillScriptArray(sizes, uploaded.sizes);
      }
    } catch (...) {
      return E_FAIL;
    }
    return S_OK;
  }
  STDMETHODIMP BeforePaste() override {
    if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
    qp::ClipboardOpen clipboard(window_);
    if (!clipboard.IsOpen()) return S_OK;
    try {
      ConvertClipboardNotBuilt(window_);
    } catch (...) {
    }
    return S_OK;
  }
  STDMETHODIMP AfterPaste() override {
    if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
    qp::ClipboardOpen clipboard(window_);
    if (!clipboard.IsOpen()) return S_OK;
    try {
      RestoreClipboardNotBuilt();
    } catch (...) {
      return E_FAIL;
    }
    return S_OK;
  }
  STDMETHODIMP Unregister() override {
    if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
    return UnregisterServer();
  }
  STDMETHODIMP UnregisterOld() override {
    if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
    return UnregisterOlderServer();
  }

  // IViewObject, IViewObject2, IViewObjectEx: the control draws nothing.
  STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
    return S_OK;
  }
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                           LOGPALETTE** colours) override {
    if (colours) *colours = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD* freeze) override {
    if (freeze) *freeze = 0;
    return E_NOTIMPL;
  }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override {
    viewSink_ = qp::ComPtr<IAdviseSink>::Share(sink);
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
  }
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override {
    if (aspects) *aspects = viewAspects_;
    if (flags) *flags = viewFlags_;
    if (sink) {
      *sink = viewSink_.Get();
      if (*sink) (*sink)->AddRef();
    }
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
    return GetExtent(aspect, size);
  }
  STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override {
    if (!rect) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *rect = RECTL{0, 0, static_cast<LONG>(extent_.cx), static_cast<LONG>(extent_.cy)};
    return S_OK;
  }
  STDMETHODIMP GetViewStatus(DWORD* status) override {
    if (!status) return E_POINTER;
    *status = 0;  // transparent: nothing is drawn
    return S_OK;
  }
  STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                             DWORD* hit) override {
    if (!bounds || !hit) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *hit = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
  }
  STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG,
                            DWORD* hit) override {
    if (!bounds || !rect || !hit) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    RECT common;
    *hit = IntersectRect(&common, bounds, rect) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
  }
  STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*,
                                LPSIZEL) override {
    return E_NOTIMPL;
  }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    if (!inPlaceActive_) return S_OK;
    UIDeactivate();
    DestroyControlWindow();
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
  STDMETHODIMP UIDeactivate() override {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (document_) document_->SetActiveObject(nullptr, nullptr);
    frame_.Reset();
    document_.Reset();
    if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
  }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
    if (!position) return E_POINTER;
    position_ = *position;
    if (window_) {
      MoveWindow(window_, position_.left, position_.top, position_.right - position_.left,
                 position_.bottom - position_.top, TRUE);
    }
    return S_OK;
  }
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) override {
    if (result) *result = 0;
    return S_FALSE;
  }
  STDMETHODIMP GetDropTarget(IDropTarget** target) override {
    if (target) *target = nullptr;
    return E_NOTIMPL;
  }

  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IOleControl: no mnemonics, no ambient properties of interest.
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override {
    if (!info) return E_POINTER;
    const ULONG cb = info->cb;
    *info = CONTROLINFO{};
    info->cb = cb;
    return S_OK;
  }
  STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
  STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    site_ = qp::ComPtr<IOleClientSite>::Share(site);
    policy_.OnClientSite(site != nullptr);
    ReadPageAddress();
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = site_.Get();
    if (*site) (*site)->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override {
    InPlaceDeactivate();
    if (oleAdvise_) oleAdvise_->SendOnClose();
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    if (!site_) return E_UNEXPECTED;
    return site_->GetMoniker(assign, which, moniker);
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override {
    if (data) *data = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT position) override {
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
        if (window_) ShowWindow(window_, SW_HIDE);
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
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override {
    return OleRegEnumVerbs(CLSID_Gatherwick, verbs);
  }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_Gatherwick;
    return S_OK;
  }
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override {
    return OleRegGetUserType(CLSID_Gatherwick, form, type);
  }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    extent_.cx = static_cast<uint32_t>(size->cx);
    extent_.cy = static_cast<uint32_t>(size->cy);
    dirty_ = true;
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    size->cx = static_cast<LONG>(extent_.cx);
    size->cy = static_cast<LONG>(extent_.cy);
    return S_OK;
  }
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override {
    if (!oleAdvise_) {
      const HRESULT hr = CreateOleAdviseHolder(oleAdvise_.Put());
      if (FAILED(hr)) return hr;
    }
    return oleAdvise_->Advise(sink, connection);
  }
  STDMETHODIMP Unadvise(DWORD connection) override {
    return oleAdvise_ ? oleAdvise_->Unadvise(connection) : OLE_E_NOCONNECTION;
  }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override {
    if (advises) *advises = nullptr;
    return oleAdvise_ ? oleAdvise_->EnumAdvise(advises) : E_FAIL;
  }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IPersist, IPersistStreamInit, IPersistStorage: the extent only.
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_Gatherwick;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  STDMETHODIMP Load(LPSTREAM stream) override {
    if (!stream) return E_POINTER;
    uint8_t record[kExtentRecordSize];
    ULONG got = 0;
    const HRESULT hr = stream->Read(record, sizeof(record), &got);
    if (FAILED(hr)) return hr;
    const auto extent = DecodeExtent(record, got);
    if (!extent) return E_FAIL;
    extent_ = *extent;
    dirty_ = false;
    return S_OK;
  }
  STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override {
    if (!stream) return E_POINTER;
    const auto record = EncodeExtent(extent_);
    ULONG written = 0;
    const HRESULT hr = stream->Write(record.data(), static_cast<ULONG>(record.size()), &written);
    if (FAILED(hr)) return hr;
    if (written != record.size()) return STG_E_MEDIUMFULL;
    if (clearDirty) dirty_ = false;
    return S_OK;
  }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    size->QuadPart = kExtentRecordSize;
    return S_OK;
  }
  STDMETHODIMP InitNew() override {
    extent_ = Extent();
    dirty_ = false;
    return S_OK;
  }
  STDMETHODIMP InitNew(IStorage*) override { return InitNew(); }
  STDMETHODIMP Load(IStorage* storage) override {
    if (!storage) return E_POINTER;
    qp::ComPtr<IStream> stream;
    const HRESULT hr = storage->OpenStream(kStorageStream, nullptr,
                                           STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Put());
    if (FAILED(hr)) return hr;
    return Load(stream.Get());
  }
  STDMETHODIMP Save(IStorage* storage, BOOL) override {
    if (!storage) return E_POINTER;
    qp::ComPtr<IStream> stream;
    const HRESULT hr = storage->CreateStream(
        kStorageStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.Put());
    if (FAILED(hr)) return hr;
    return Save(stream.Get(), TRUE);
  }
  STDMETHODIMP SaveCompleted(IStorage*) override { return S_OK; }
  STDMETHODIMP HandsOffStorage() override { return S_OK; }

  // ISpecifyPropertyPages: none of its own.
  STDMETHODIMP GetPages(CAUUID* pages) override {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
  }

  // IQuickActivate
  STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override {
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
  STDMETHODIMP SetContentExtent(LPSIZEL size) override { return SetExtent(DVASPECT_CONTENT, size); }
  STDMETHODIMP GetContentExtent(LPSIZEL size) override { return GetExtent(DVASPECT_CONTENT, size); }

  // IDataObject: no data formats; advises are kept for the container.
  STDMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
  STDMETHODIMP QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** formats) override {
    if (formats) *formats = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                       DWORD* connection) override {
    if (!dataAdvise_) {
      const HRESULT hr = CreateDataAdviseHolder(dataAdvise_.Put());
      if (FAILED(hr)) return hr;
    }
    return dataAdvise_->Advise(this, format, flags, sink, connection);
  }
  STDMETHODIMP DUnadvise(DWORD connection) override {
    return dataAdvise_ ? dataAdvise_->Unadvise(connection) : OLE_E_NOCONNECTION;
  }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override {
    if (advises) *advises = nullptr;
    return dataAdvise_ ? dataAdvise_->EnumAdvise(advises) : OLE_E_ADVISENOTSUPPORTED;
  }

  // IProvideClassInfo, IProvideClassInfo2: no outgoing interface.
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override {
    return GatherwickTypeInfo(CLSID_Gatherwick, info);
  }
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? S_OK : E_INVALIDARG;
  }

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == IID_IGatherwick ? S_OK : S_FALSE;
  }

  // IObjectWithSite: how a browser hands its site to a control that page
  // script created itself, without embedding it.
  STDMETHODIMP SetSite(IUnknown* site) override {
    objectSite_ = qp::ComPtr<IUnknown>::Share(site);
    ReadPageAddress();
    policy_.OnObjectSite(site != nullptr, !pageAddress_.empty(), ProcessImagePath());
    return S_OK;
  }
  STDMETHODIMP GetSite(REFIID iid, void** site) override {
    if (!site) return E_POINTER;
    *site = nullptr;
    if (!objectSite_) return E_FAIL;
    return objectSite_->QueryInterface(iid, site);
  }

 private:
  // PrepareClipboard's three arrays are [out] VARIANTs in the type library,
  // but a script passes its arrays by value, which the type library's
  // invocation refuses as a type mismatch. The call is unpacked here so
  // that the arrays reach the member as the script passed them.
  HRESULT InvokePrepareClipboard(DISPPARAMS* params, UINT* argError) {
    constexpr UINT kArguments = 7;
    if (!params || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != kArguments) return DISP_E_BADPARAMCOUNT;
    // Arguments arrive last first.
    VARIANT texts[4];
    for (auto& t : texts) VariantInit(&t);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < 4 && SUCCEEDED(hr); ++i) {
      hr = VariantChangeType(&texts[i], &params->rgvarg[kArguments - 1 - i], 0, VT_BSTR);
      if (FAILED(hr) && argError) *argError = kArguments - 1 - i;
    }
    if (SUCCEEDED(hr)) {
      hr = PrepareClipboard(V_BSTR(&texts[0]), V_BSTR(&texts[1]), V_BSTR(&texts[2]),
                            V_BSTR(&texts[3]), &params->rgvarg[2], &params->rgvarg[1],
                            &params->rgvarg[0]);
    }
    for (auto& t : texts) VariantClear(&t);
    return hr;
  }

  // Every member but the two informational ones checks here (see
  // caller_policy.h); a refusal leaves its reason in the error info.
  HRESULT CheckCaller(const BSTR* uploadHost) {
    SetErrorInfo(0, nullptr);
    try {
      if (policy_.WantsPageAgain(pageAddress_)) ReadPageAddress();
      const std::vector<std::u16string> extra = ReadExtraAllowedHosts();
      const std::u16string host = uploadHost ? qp::BstrText(*uploadHost) : std::u16string();
      std::optional<std::u16string_view> upload;
      if (uploadHost) upload = host;
      if (policy_.Allows(pageAddress_, upload, extra)) return S_OK;
    } catch (...) {
    }
    ReportDenied();
    return E_ACCESSDENIED;
  }

  static void ReportDenied() {
    qp::ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Put()))) return;
    create->SetGUID(IID_IGatherwick);
    create->SetSource(const_cast<LPOLESTR>(qp::Wide(kProgId)));
    create->SetDescription(const_cast<LPOLESTR>(L"This page may not use the Quillpost control."));
    if (auto info = create.As<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.Get());
  }

  // The page's address, from the embedding site, else from the site given
  // through IObjectWithSite: its client site, else the browser it serves.
  // Out of memory leaves the page unknown, which a hosted control refuses.
  void ReadPageAddress() {
    pageAddress_.clear();
    pageBase_.clear();
    try {
      std::u16string address;
      if (site_) address = MonikerAddress(site_.Get());
      if (address.empty() && objectSite_) {
        if (auto client = objectSite_.As<IOleClientSite>(IID_IOleClientSite)) {
          address = MonikerAddress(client.Get());
        }
        if (address.empty()) address = BrowserAddress(objectSite_.Get());
      }
      pageBase_ = PageBase(address);
      pageAddress_ = std::move(address);
    } catch (...) {
      pageAddress_.clear();
      pageBase_.clear();
    }
  }

  static std::u16string MonikerAddress(IOleClientSite* site) {
    qp::ComPtr<IMoniker> moniker;
    if (FAILED(site->GetMoniker(OLEGETMONIKER_TEMPFORUSER, OLEWHICHMK_CONTAINER, moniker.Put())) ||
        !moniker) {
      return {};
    }
    qp::ComPtr<IBindCtx> context;
    if (FAILED(CreateBindCtx(0, context.Put()))) return {};
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(context.Get(), nullptr, &name)) || !name) return {};
    std::u16string address;
    try {
      address = qp::FromWide(name);
    } catch (...) {
      CoTaskMemFree(name);
      throw;
    }
    CoTaskMemFree(name);
    return address;
  }

  static std::u16string BrowserAddress(IUnknown* site) {
    auto services = qp::ComPtr<IUnknown>::Share(site).As<IServiceProvider>(IID_IServiceProvider);
    if (!services) return {};
    qp::ComPtr<IWebBrowser2> browser;
    if (FAILED(services->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2, browser.PutVoid())) ||
        !browser) {
      return {};
    }
    BSTR url = nullptr;
    if (FAILED(browser->get_LocationURL(&url))) return {};
    const qp::UniqueBstr owned(url);
    return BstrText(owned.Get());
  }

  HRESULT Activate(bool uiActivate) {
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
        if (FAILED(inPlaceSite_->GetWindow(&parent)) || !CreateControlWindow(parent)) {
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

  bool CreateControlWindow(HWND parent) {
    if (!EnsureWindowClass()) return false;
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
                              WS_CLIPCHILDREN, position_.left, position_.top,
                              position_.right - position_.left, position_.bottom - position_.top,
                              parent, nullptr, ModuleInstance(), nullptr);
    return window_ != nullptr;
  }

  void DestroyControlWindow() {
    if (window_) {
      DestroyWindow(window_);
      window_ = nullptr;
    }
  }

  std::atomic<long> refs_{1};
  qp::ComPtr<IOleClientSite> site_;
  qp::ComPtr<IUnknown> objectSite_;
  CallerPolicy policy_;
  qp::ComPtr<IOleInPlaceSite> inPlaceSite_;
  qp::ComPtr<IOleInPlaceFrame> frame_;
  qp::ComPtr<IOleInPlaceUIWindow> document_;
  qp::ComPtr<IOleAdviseHolder> oleAdvise_;
  qp::ComPtr<IDataAdviseHolder> dataAdvise_;
  qp::ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  HWND window_ = nullptr;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  bool windowless_ = false;
  RECT position_{};
  Extent extent_;
  bool dirty_ = false;
  std::u16string pageAddress_;
  std::u16string pageBase_;
  DownloadList downloads_;
};

class ControlFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // One static factory; its references keep the library loaded.
  STDMETHODIMP_(ULONG) AddRef() override {
    ModuleAddRef();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    ModuleRelease();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* control = new (std::nothrow) GatherwickControl();
    if (!control) return E_OUTOFMEMORY;
    const HRESULT hr = control->QueryInterface(iid, object);
    control->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    lock ? ModuleAddRef() : ModuleRelease();
    return S_OK;
  }
};

ControlFactory g_factory;

}  // namespace

HRESULT GetGatherwickClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_Gatherwick) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, object);
}

void ReleaseControlWindowClass() {
  if (g_windowClassRegistered.exchange(false)) UnregisterClassW(kWindowClass, ModuleInstance());
}

}  // namespace gwax
