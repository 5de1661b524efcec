// The ActiveX control object (coclass Gatherwick), declared once; members defined by family.
//
// It lives in the page's single-threaded apartment; every member runs to
// its end before returning. The families and their files:
//   scripting_win.cpp    IGatherwick and IDispatch
//   page_site_win.cpp    IObjectWithSite, the page's address, the caller check
//   view_win.cpp         IViewObject, IViewObject2, IViewObjectEx
//   in_place_win.cpp     IOleWindow, IOleInPlaceObject(Windowless), IOleInPlaceActiveObject
//   ole_object_win.cpp   IOleObject, IOleControl, IQuickActivate
//   data_object_win.cpp  IDataObject
//   class_info_win.cpp   IProvideClassInfo(2), ISupportErrorInfo, ISpecifyPropertyPages
//   persistence_win.cpp  IPersist, IPersistStreamInit, IPersistStorage
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "common/win32/com_object_win.h"
#include "common/win32/com_ptr_win.h"
#include "control/downloads/download_list.h"
#include "control/object/caller_policy.h"
#include "control/object/extent_record.h"
#include "control/object/win32/control_window_win.h"
#include "control/object/win32/guids_win.h"
#include "control/object/win32/module_win.h"

namespace gwax {

class GatherwickControl final
    : public qp::DispatchObject<GatherwickControl, IGatherwick, IViewObjectEx,
                                IOleInPlaceObjectWindowless, IOleInPlaceActiveObject, IOleControl,
                                IOleObject, IPersistStreamInit, IPersistStorage,
                                ISpecifyPropertyPages, IQuickActivate, IDataObject,
                                IProvideClassInfo2, ISupportErrorInfo, IObjectWithSite> {
 public:
  using Self = GatherwickControl;
  static constexpr qp::InterfaceEntry<Self> kInterfaces[] = {
      QP_INTERFACE(Self, IUnknown, IGatherwick),
      QP_INTERFACE(Self, IDispatch, IGatherwick),
      QP_INTERFACE(Self, IGatherwick, IGatherwick),
      QP_INTERFACE(Self, IViewObjectEx, IViewObjectEx),
      QP_INTERFACE(Self, IViewObject2, IViewObjectEx),
      QP_INTERFACE(Self, IViewObject, IViewObjectEx),
      QP_INTERFACE(Self, IOleInPlaceObjectWindowless, IOleInPlaceObjectWindowless),
      QP_INTERFACE(Self, IOleInPlaceObject, IOleInPlaceObjectWindowless),
      QP_INTERFACE(Self, IOleWindow, IOleInPlaceObjectWindowless),
      QP_INTERFACE(Self, IOleInPlaceActiveObject, IOleInPlaceActiveObject),
      QP_INTERFACE(Self, IOleControl, IOleControl),
      QP_INTERFACE(Self, IOleObject, IOleObject),
      QP_INTERFACE(Self, IPersistStreamInit, IPersistStreamInit),
      QP_INTERFACE(Self, IPersistStorage, IPersistStorage),
      QP_INTERFACE(Self, IPersist, IPersistStreamInit),
      QP_INTERFACE(Self, ISpecifyPropertyPages, ISpecifyPropertyPages),
      QP_INTERFACE(Self, IQuickActivate, IQuickActivate),
      QP_INTERFACE(Self, IDataObject, IDataObject),
      QP_INTERFACE(Self, IProvideClassInfo2, IProvideClassInfo2),
      QP_INTERFACE(Self, IProvideClassInfo, IProvideClassInfo2),
      QP_INTERFACE(Self, ISupportErrorInfo, ISupportErrorInfo),
      QP_INTERFACE(Self, IObjectWithSite, IObjectWithSite),
  };
  static qp::TypeInfoCache& TypeInfo() { return InterfaceTypeInfo(); }

  // IDispatch: PrepareClipboard is unpacked by hand, the rest goes through
  // the type information.
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  // IGatherwick
  STDMETHODIMP get_Version(LONG* value) override;
  STDMETHODIMP get_ProtectedMode(LONG* value) override;
  STDMETHODIMP StartMultipleDownload() override;
  STDMETHODIMP AddDownload(BSTR url, BSTR name, BSTR size) override;
  STDMETHODIMP EndMultipleDownload(BSTR theme) override;
  STDMETHODIMP PrepareClipboard(BSTR host, BSTR user, BSTR theme, BSTR sid, VARIANT* keys,
                                VARIANT* names, VARIANT* sizes) override;
  STDMETHODIMP BeforePaste() override;
  STDMETHODIMP AfterPaste() override;
  STDMETHODIMP Unregister() override;
  STDMETHODIMP UnregisterOld() override;

  // IObjectWithSite
  STDMETHODIMP SetSite(IUnknown* site) override;
  STDMETHODIMP GetSite(REFIID iid, void** site) override;

  // IViewObject, IViewObject2, IViewObjectEx
  STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                           LOGPALETTE** colours) override;
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD* freeze) override;
  STDMETHODIMP Unfreeze(DWORD) override;
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;
  STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
  STDMETHODIMP GetViewStatus(DWORD* status) override;
  STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                             DWORD* hit) override;
  STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG,
                            DWORD* hit) override;
  STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*,
                                LPSIZEL) override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override;
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override;
  STDMETHODIMP ReactivateAndUndo() override;
  STDMETHODIMP OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) override;
  STDMETHODIMP GetDropTarget(IDropTarget** target) override;

  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL) override;
  STDMETHODIMP OnDocWindowActivate(BOOL) override;
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
  STDMETHODIMP EnableModeless(BOOL) override;

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG*) override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override;
  STDMETHODIMP FreezeEvents(BOOL) override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override;
  STDMETHODIMP Close(DWORD) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override;
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT position) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override;
  STDMETHODIMP IsUpToDate() override;
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
  STDMETHODIMP Unadvise(DWORD connection) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override;

  // IQuickActivate
  STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  STDMETHODIMP SetContentExtent(LPSIZEL size) override;
  STDMETHODIMP GetContentExtent(LPSIZEL size) override;

  // IDataObject
  STDMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override;
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override;
  STDMETHODIMP QueryGetData(FORMATETC*) override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override;
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** formats) override;
  STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                       DWORD* connection) override;
  STDMETHODIMP DUnadvise(DWORD connection) override;
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override;

  // IProvideClassInfo, IProvideClassInfo2, ISupportErrorInfo, ISpecifyPropertyPages
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // IPersist, IPersistStreamInit, IPersistStorage
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;
  STDMETHODIMP InitNew(IStorage*) override;
  STDMETHODIMP Load(IStorage* storage) override;
  STDMETHODIMP Save(IStorage* storage, BOOL) override;
  STDMETHODIMP SaveCompleted(IStorage*) override;
  STDMETHODIMP HandsOffStorage() override;

 private:
  HRESULT InvokePrepareClipboard(DISPPARAMS* params, UINT* argError);
  HRESULT CheckCaller(const BSTR* uploadHost, std::u16string* pageAddress = nullptr);
  std::u16string CallingPageAddress() const;
  static std::u16string ProcessImagePath() noexcept;
  HRESULT Activate(bool uiActivate);

  ModuleReference module_;  // first in, last out: the library stays while any member does

  // The page: the embedding site and the site IObjectWithSite gave. The
  // page's address is read from them at every call, never kept.
  qp::ComPtr<IOleClientSite> site_;
  qp::ComPtr<IUnknown> objectSite_;
  CallerPolicy policy_{ProcessImagePath()};

  // In-place activation and the container's advise sinks.
  qp::ComPtr<IOleInPlaceSite> inPlaceSite_;
  qp::ComPtr<IOleInPlaceFrame> frame_;
  qp::ComPtr<IOleInPlaceUIWindow> document_;
  qp::ComPtr<IOleAdviseHolder> oleAdvise_;
  qp::ComPtr<IDataAdviseHolder> dataAdvise_;
  qp::ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  ControlWindow window_;  // no window when activated windowless
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  bool windowless_ = false;
  RECT position_{};

  Extent extent_;  // the persisted state
  bool dirty_ = false;
  DownloadList downloads_;
};

}  // namespace gwax
