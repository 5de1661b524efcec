// The control object as COM and a container see it, linked into this
// program with its resources (the type library included).
#include <windows.h>
#include <dispex.h>
#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>
#include <objsafe.h>
#include <servprov.h>
#include <shlguid.h>

#include <gtest/gtest.h>

#include <climits>

#include <string>
#include <thread>
#include <vector>

#include "common/win32/registry_key_win.h"
#include "common/win32/com_ptr_win.h"
#include "control/object/win32/allowed_hosts_reader_win.h"
#include "control/object/win32/class_factory_win.h"
#include "control/object/win32/guids_win.h"
#include "control/object/win32/module_win.h"
#include "control/object/win32/registration_win.h"
#include "control/object/win32/script_array_win.h"

namespace gwax {
namespace {

using qp::ComPtr;

std::string Hex(HRESULT hr) {
  char text[16];
  snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }

  static ComPtr<IGatherwick> NewControl() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(GetGatherwickClassObject(CLSID_Gatherwick, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IGatherwick> control;
    if (factory) {
      EXPECT_EQ(factory->CreateInstance(nullptr, IID_IGatherwick, control.PutVoid()), S_OK);
    }
    return control;
  }
};

// --- a container's client site ----------------------------------------------

class FakeMoniker final : public IMoniker {
 public:
  explicit FakeMoniker(std::wstring name) : name_(std::move(name)) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IMoniker) {
      *out = static_cast<IMoniker*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  STDMETHODIMP GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
    const size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
    *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    memcpy(*name, name_.c_str(), bytes);
    return S_OK;
  }
  // Nothing else may be asked of the page's moniker.
#define GWAX_UNEXPECTED(sig) \
  STDMETHODIMP sig override { ADD_FAILURE() << "unexpected moniker call"; return E_NOTIMPL; }
  GWAX_UNEXPECTED(GetClassID(CLSID*))
  GWAX_UNEXPECTED(IsDirty())
  GWAX_UNEXPECTED(Load(IStream*))
  GWAX_UNEXPECTED(Save(IStream*, BOOL))
  GWAX_UNEXPECTED(GetSizeMax(ULARGE_INTEGER*))
  GWAX_UNEXPECTED(BindToObject(IBindCtx*, IMoniker*, REFIID, void**))
  GWAX_UNEXPECTED(BindToStorage(IBindCtx*, IMoniker*, REFIID, void**))
  GWAX_UNEXPECTED(Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**))
  GWAX_UNEXPECTED(ComposeWith(IMoniker*, BOOL, IMoniker**))
  GWAX_UNEXPECTED(Enum(BOOL, IEnumMoniker**))
  GWAX_UNEXPECTED(IsEqual(IMoniker*))
  GWAX_UNEXPECTED(Hash(DWORD*))
  GWAX_UNEXPECTED(IsRunning(IBindCtx*, IMoniker*, IMoniker*))
  GWAX_UNEXPECTED(GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*))
  GWAX_UNEXPECTED(Inverse(IMoniker**))
  GWAX_UNEXPECTED(CommonPrefixWith(IMoniker*, IMoniker**))
  GWAX_UNEXPECTED(RelativePathTo(IMoniker*, IMoniker**))
  GWAX_UNEXPECTED(ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**))
  GWAX_UNEXPECTED(IsSystemMoniker(DWORD*))
#undef GWAX_UNEXPECTED

 private:
  std::wstring name_;
  ULONG refs_ = 1;
};

// A page's site: names the page by its container moniker and takes the
// control in place, windowed or (when `windowless`) without a window.
class FakeSite : public IOleClientSite, public IOleInPlaceSiteWindowless {
 public:
  FakeSite(const wchar_t* page, HWND parent, bool windowless)
      : page_(page ? page : L""), hasPage_(page != nullptr), parent_(parent), windowless_(windowless) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx ||
               iid == IID_IOleInPlaceSiteWindowless) {
      *out = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives on the test's stack

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override {
    *moniker = nullptr;
    EXPECT_EQ(assign, static_cast<DWORD>(OLEGETMONIKER_TEMPFORUSER));
    EXPECT_EQ(which, static_cast<DWORD>(OLEWHICHMK_CONTAINER));
    if (!hasPage_) return E_FAIL;
    *moniker = new FakeMoniker(page_);
    return S_OK;
  }
  STDMETHODIMP GetContainer(IOleContainer** c) override {
    *c = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceSite(Ex)
  STDMETHODIMP GetWindow(HWND* w) override {
    *w = parent_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override {
    ++activations;
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() override {
    ++uiActivations;
    return S_OK;
  }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
    *frame = nullptr;
    *doc = nullptr;
    *pos = RECT{10, 20, 110, 70};
    *clip = *pos;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    ++deactivations;
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
  STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override {
    if (noRedraw) *noRedraw = FALSE;
    windowlessFlags = flags;
    ++activations;
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override {
    ++deactivations;
    return S_OK;
  }
  STDMETHODIMP RequestUIActivate() override { return S_OK; }

  // IOleInPlaceSiteWindowless
  STDMETHODIMP CanWindowlessActivate() override { return windowless_ ? S_OK : S_FALSE; }
  STDMETHODIMP GetCapture() override { return S_FALSE; }
  STDMETHODIMP SetCapture(BOOL) override { return S_OK; }
  STDMETHODIMP GetFocus() override { return S_FALSE; }
  STDMETHODIMP SetFocus(BOOL) override { return S_OK; }
  STDMETHODIMP GetDC(LPCRECT, DWORD, HDC*) override { return E_NOTIMPL; }
  STDMETHODIMP ReleaseDC(HDC) override { return E_NOTIMPL; }
  STDMETHODIMP InvalidateRect(LPCRECT, BOOL) override { return S_OK; }
  STDMETHODIMP InvalidateRgn(HRGN, BOOL) override { return S_OK; }
  STDMETHODIMP ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return E_NOTIMPL; }
  STDMETHODIMP AdjustRect(LPRECT) override { return S_OK; }
  STDMETHODIMP OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }

  // A container whose moniker becomes ready only after it set the site.
  void SetPage(const wchar_t* page) {
    page_ = page;
    hasPage_ = true;
  }

  int activations = 0;
  int uiActivations = 0;
  int deactivations = 0;
  DWORD windowlessFlags = 0;
  ULONG refs_ = 1;

 private:
  std::wstring page_;
  bool hasPage_;
  HWND parent_;
  bool windowless_;
};

// --- a browser handing its site to a script-created control --------------------

// The browser as its site's service provider names it; only the page's
// address can be asked of it.
class FakeBrowser final : public IWebBrowser2 {
 public:
  explicit FakeBrowser(const wchar_t* url) : url_(url) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser ||
        iid == IID_IWebBrowserApp || iid == IID_IWebBrowser2) {
      *out = static_cast<IWebBrowser2*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }  // lives on the test's stack
  STDMETHODIMP get_LocationURL(BSTR* url) override {
    *url = SysAllocString(url_);
    return S_OK;
  }
#define GWAX_NOTIMPL(sig) \
  STDMETHODIMP sig override { return E_NOTIMPL; }
  GWAX_NOTIMPL(GetTypeInfoCount(UINT*))
  GWAX_NOTIMPL(GetTypeInfo(UINT, LCID, ITypeInfo**))
  GWAX_NOTIMPL(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  GWAX_NOTIMPL(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
  GWAX_NOTIMPL(GoBack())
  GWAX_NOTIMPL(GoForward())
  GWAX_NOTIMPL(GoHome())
  GWAX_NOTIMPL(GoSearch())
  GWAX_NOTIMPL(Navigate(BSTR, VARIANT *, VARIANT *, VARIANT *, VARIANT *))
  GWAX_NOTIMPL(Refresh())
  GWAX_NOTIMPL(Refresh2(VARIANT *))
  GWAX_NOTIMPL(Stop())
  GWAX_NOTIMPL(get_Application(IDispatch **))
  GWAX_NOTIMPL(get_Parent(IDispatch **))
  GWAX_NOTIMPL(get_Container(IDispatch **))
  GWAX_NOTIMPL(get_Document(IDispatch **))
  GWAX_NOTIMPL(get_TopLevelContainer(VARIANT_BOOL *))
  GWAX_NOTIMPL(get_Type(BSTR *))
  GWAX_NOTIMPL(get_Left(LONG *))
  GWAX_NOTIMPL(put_Left(LONG))
  GWAX_NOTIMPL(get_Top(LONG *))
  GWAX_NOTIMPL(put_Top(LONG))
  GWAX_NOTIMPL(get_Width(LONG *))
  GWAX_NOTIMPL(put_Width(LONG))
  GWAX_NOTIMPL(get_Height(LONG *))
  GWAX_NOTIMPL(put_Height(LONG))
  GWAX_NOTIMPL(get_LocationName(BSTR *))
  GWAX_NOTIMPL(get_Busy(VARIANT_BOOL *))
  GWAX_NOTIMPL(Quit())
  GWAX_NOTIMPL(ClientToWindow(int *, int *))
  GWAX_NOTIMPL(PutProperty(BSTR, VARIANT))
  GWAX_NOTIMPL(GetProperty(BSTR, VARIANT *))
  GWAX_NOTIMPL(get_Name(BSTR *))
  GWAX_NOTIMPL(get_HWND(SHANDLE_PTR *))
  GWAX_NOTIMPL(get_FullName(BSTR *))
  GWAX_NOTIMPL(get_Path(BSTR *))
  GWAX_NOTIMPL(get_Visible(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_Visible(VARIANT_BOOL))
  GWAX_NOTIMPL(get_StatusBar(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_StatusBar(VARIANT_BOOL))
  GWAX_NOTIMPL(get_StatusText(BSTR *))
  GWAX_NOTIMPL(put_StatusText(BSTR))
  GWAX_NOTIMPL(get_ToolBar(int *))
  GWAX_NOTIMPL(put_ToolBar(int))
  GWAX_NOTIMPL(get_MenuBar(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_MenuBar(VARIANT_BOOL))
  GWAX_NOTIMPL(get_FullScreen(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_FullScreen(VARIANT_BOOL))
  GWAX_NOTIMPL(Navigate2(VARIANT *, VARIANT *, VARIANT *, VARIANT *, VARIANT *))
  GWAX_NOTIMPL(QueryStatusWB(OLECMDID, OLECMDF *))
  GWAX_NOTIMPL(ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT *, VARIANT *))
  GWAX_NOTIMPL(ShowBrowserBar(VARIANT *, VARIANT *, VARIANT *))
  GWAX_NOTIMPL(get_ReadyState(READYSTATE *))
  GWAX_NOTIMPL(get_Offline(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_Offline(VARIANT_BOOL))
  GWAX_NOTIMPL(get_Silent(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_Silent(VARIANT_BOOL))
  GWAX_NOTIMPL(get_RegisterAsBrowser(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_RegisterAsBrowser(VARIANT_BOOL))
  GWAX_NOTIMPL(get_RegisterAsDropTarget(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_RegisterAsDropTarget(VARIANT_BOOL))
  GWAX_NOTIMPL(get_TheaterMode(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_TheaterMode(VARIANT_BOOL))
  GWAX_NOTIMPL(get_AddressBar(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_AddressBar(VARIANT_BOOL))
  GWAX_NOTIMPL(get_Resizable(VARIANT_BOOL *))
  GWAX_NOTIMPL(put_Resizable(VARIANT_BOOL))
#undef GWAX_NOTIMPL

  ULONG refs = 1;

 private:
  const wchar_t* url_;
};

// What a browser passes to IObjectWithSite::SetSite: a service provider
// that may lead to the browser, or (`client`) a client site as well.
class FakeObjectSite final : public IServiceProvider {
 public:
  FakeObjectSite(IWebBrowser2* browser, IOleClientSite* client)
      : browser_(browser), client_(client) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IServiceProvider) {
      *out = static_cast<IServiceProvider*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_IOleClientSite && client_) return client_->QueryInterface(iid, out);
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** out) override {
    *out = nullptr;
    if (service == SID_SWebBrowserApp && browser_) return browser_->QueryInterface(iid, out);
    return E_NOINTERFACE;
  }

  ULONG refs = 1;

 private:
  IWebBrowser2* browser_;
  IOleClientSite* client_;
};

// --- tests --------------------------------------------------------------------

TEST_F(ComTest, FactoryAndInterfaces) {
  EXPECT_FALSE(ModuleInUse());
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(GetGatherwickClassObject(IID_IGatherwick, IID_IClassFactory, factory.PutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(GetGatherwickClassObject(CLSID_Gatherwick, IID_IClassFactory, factory.PutVoid()), S_OK);
  ComPtr<IUnknown> object;
  IUnknown* outer = factory.Get();
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, object.PutVoid()), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid()), S_OK);
  factory.Reset();
  EXPECT_TRUE(ModuleInUse()) << "a live object keeps the library";

  const IID answered[] = {
      IID_IDispatch, IID_IGatherwick, IID_IViewObjectEx, IID_IViewObject2, IID_IViewObject,
      IID_IOleInPlaceObjectWindowless, IID_IOleInPlaceObject, IID_IOleWindow,
      IID_IOleInPlaceActiveObject, IID_IOleControl, IID_IOleObject, IID_IPersistStreamInit,
      IID_IPersistStorage, IID_IPersist, IID_ISpecifyPropertyPages, IID_IQuickActivate,
      IID_IDataObject, IID_IProvideClassInfo2, IID_IProvideClassInfo, IID_ISupportErrorInfo,
      IID_IObjectWithSite};
  for (const IID& iid : answered) {
    ComPtr<IUnknown> as;
    EXPECT_EQ(object->QueryInterface(iid, as.PutVoid()), S_OK) << "interface " << &iid - answered;
    ComPtr<IUnknown> identity;
    if (as) as->QueryInterface(IID_IUnknown, identity.PutVoid());
    EXPECT_EQ(identity.Get(), object.Get()) << "identity through " << &iid - answered;
  }
  const IID refused[] = {IID_IObjectSafety, IID_IConnectionPointContainer, IID_IPersistPropertyBag,
                         __uuidof(IDispatchEx), IID_IClassFactory};
  for (const IID& iid : refused) {
    void* as = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(iid, &as), E_NOINTERFACE) << "interface " << &iid - refused;
    EXPECT_EQ(as, nullptr);
  }
  object.Reset();
  EXPECT_FALSE(ModuleInUse());

  ASSERT_EQ(GetGatherwickClassObject(CLSID_Gatherwick, IID_IClassFactory, factory.PutVoid()), S_OK);
  factory->LockServer(TRUE);
  factory.Reset();
  EXPECT_TRUE(ModuleInUse()) << "a server lock keeps the library";
  ASSERT_EQ(GetGatherwickClassObject(CLSID_Gatherwick, IID_IClassFactory, factory.PutVoid()), S_OK);
  factory->LockServer(FALSE);
  factory.Reset();
  EXPECT_FALSE(ModuleInUse());
}

TEST_F(ComTest, TypeLibraryDescribesTheInterface) {
  auto control = NewControl();
  ASSERT_TRUE(control);
  UINT count = 0;
  EXPECT_EQ(control->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(control->GetTypeInfo(0, 0, info.Put()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IGatherwick));
  const WORD flags = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE;
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attr->wTypeFlags & flags, flags) << attr->wTypeFlags;
  info->ReleaseTypeAttr(attr);
  // The vtable half of the dual interface.
  HREFTYPE vtable = 0;
  ASSERT_EQ(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable), S_OK);
  ComPtr<ITypeInfo> vtableInfo;
  ASSERT_EQ(info->GetRefTypeInfo(vtable, vtableInfo.Put()), S_OK);
  ASSERT_EQ(vtableInfo->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  const WORD vtableFlags = flags | TYPEFLAG_FOLEAUTOMATION;
  EXPECT_EQ(attr->wTypeFlags & vtableFlags, vtableFlags) << attr->wTypeFlags;
  EXPECT_EQ(attr->cFuncs, 10) << "ten members after IDispatch's seven";
  vtableInfo->ReleaseTypeAttr(attr);

  const wchar_t* const names[] = {L"Version", L"ProtectedMode", L"StartMultipleDownload",
                                  L"AddDownload", L"EndMultipleDownload", L"PrepareClipboard",
                                  L"BeforePaste", L"AfterPaste", L"Unregister", L"UnregisterOld"};
  for (int i = 0; i < 10; ++i) {
    LPOLESTR name = const_cast<LPOLESTR>(names[i]);
    DISPID id = 0;
    ASSERT_EQ(control->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << i;
    EXPECT_EQ(id, i + 1);
    BSTR help = nullptr;
    ASSERT_EQ(info->GetDocumentation(id, nullptr, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(help), std::wstring(i < 2 ? L"property " : L"method ") + names[i]);
    SysFreeString(help);
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"Nothing");
  DISPID id = 0;
  EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);

  ComPtr<ITypeLib> library;
  UINT index = 0;
  ASSERT_EQ(info->GetContainingTypeLib(library.Put(), &index), S_OK);
  TLIBATTR* libAttr = nullptr;
  ASSERT_EQ(library->GetLibAttr(&libAttr), S_OK);
  EXPECT_TRUE(IsEqualGUID(libAttr->guid, LIBID_GatherwickAXLib));
  EXPECT_EQ(libAttr->lcid, 0x0409u);
  EXPECT_EQ(libAttr->wMajorVerNum, 1);
  EXPECT_EQ(libAttr->wMinorVerNum, 0);
  library->ReleaseTLibAttr(libAttr);
  BSTR libName = nullptr, libHelp = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &libName, &libHelp, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(libName), L"GatherwickAXLib");
  EXPECT_EQ(Text(libHelp), L"QPT Tools 1.0 Type Library");
  SysFreeString(libName);
  SysFreeString(libHelp);

  auto classInfo = control.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
  ASSERT_TRUE(classInfo);
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(coclass.Put()), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_Gatherwick));
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
  coclass->ReleaseTypeAttr(attr);
  BSTR classHelp = nullptr;
  ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, nullptr, &classHelp, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(classHelp), L"QPT Tools Class");
  SysFreeString(classHelp);
  GUID source = IID_IGatherwick;
  EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_TRUE(IsEqualGUID(source, GUID_NULL)) << "no outgoing interface";
}

HRESULT Call(IDispatch* d, const wchar_t* member, WORD flags, std::vector<VARIANT> args,
             VARIANT* result = nullptr) {
  LPOLESTR name = const_cast<LPOLESTR>(member);
  DISPID id = 0;
  HRESULT hr = d->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                    static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception{};
  UINT argError = 0;
  hr = d->Invoke(id, IID_NULL, 0x0400, flags, &params, result, &exception, &argError);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return hr;
}

VARIANT Str(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

TEST_F(ComTest, MembersThroughDispatch) {
  auto control = NewControl();
  ASSERT_TRUE(control);
  for (int i = 0; i < 2; ++i) {
    VARIANT version;
    VariantInit(&version);
    ASSERT_EQ(Call(control.Get(), L"Version", DISPATCH_PROPERTYGET, {}, &version), S_OK);
    EXPECT_EQ(V_VT(&version), VT_I4);
    EXPECT_EQ(V_I4(&version), 7);
  }
  VARIANT mode;
  VariantInit(&mode);
  ASSERT_EQ(Call(control.Get(), L"ProtectedMode", DISPATCH_PROPERTYGET, {}, &mode), S_OK);
  EXPECT_EQ(V_I4(&mode), 0) << "no protected mode outside the browser";
  ASSERT_EQ(Call(control.Get(), L"ProtectedMode", DISPATCH_PROPERTYGET, {}, &mode), S_OK);
  EXPECT_EQ(V_I4(&mode), 0);
  LONG direct = -1;
  EXPECT_EQ(control->get_Version(&direct), S_OK);
  EXPECT_EQ(direct, 7);
  EXPECT_EQ(control->get_Version(nullptr), E_POINTER);

  std::vector<VARIANT> download = {Str(L"download.php?id=1"), Str(L"a.txt"), Str(L"2 KB")};
  EXPECT_EQ(Call(control.Get(), L"StartMultipleDownload", DISPATCH_METHOD, {}), S_OK);
  EXPECT_EQ(Call(control.Get(), L"AddDownload", DISPATCH_METHOD, download), S_OK);
  std::vector<VARIANT> theme = {Str(L"blue")};
  EXPECT_EQ(Call(control.Get(), L"EndMultipleDownload", DISPATCH_METHOD, theme), S_OK);
  EXPECT_EQ(Call(control.Get(), L"UnregisterOld", DISPATCH_METHOD, {}), S_OK);

  // A string where an array belongs is left alone.
  std::vector<VARIANT> prepare = {Str(L"mail.quillpost.com"), Str(L"user"), Str(L"green"),
                                  Str(L"sid"), Str(L"not an array"), Str(L""), Str(L"")};
  EXPECT_EQ(Call(control.Get(), L"PrepareClipboard", DISPATCH_METHOD, prepare), S_OK);
  EXPECT_EQ(Text(V_BSTR(&prepare[4])), L"not an array");
  std::vector<VARIANT> tooFew(prepare.begin(), prepare.begin() + 4);
  EXPECT_EQ(Call(control.Get(), L"PrepareClipboard", DISPATCH_METHOD, tooFew), DISP_E_BADPARAMCOUNT);
  for (auto* list : {&download, &theme, &prepare}) {
    for (auto& v : *list) VariantClear(&v);
  }
}

TEST_F(ComTest, EmbeddingStatusAndPersistence) {
  auto control = NewControl();
  ASSERT_TRUE(control);
  auto ole = control.As<IOleObject>(IID_IOleObject);
  DWORD status = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 0x20191u);
  SIZEL extent{};
  EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, 5080);
  EXPECT_EQ(extent.cy, 5080);

  auto errors = control.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IGatherwick), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
  CAUUID pages{5, reinterpret_cast<GUID*>(1)};
  EXPECT_EQ(control.As<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages)->GetPages(&pages), S_OK);
  EXPECT_EQ(pages.cElems, 0u);
  EXPECT_EQ(pages.pElems, nullptr);

  SIZEL wanted{1234, 5678};
  ASSERT_EQ(ole->SetExtent(DVASPECT_CONTENT, &wanted), S_OK);
  auto stream = control.As<IPersistStreamInit>(IID_IPersistStreamInit);
  EXPECT_EQ(stream->IsDirty(), S_OK);
  ComPtr<IStream> memory;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, memory.Put()), S_OK);
  ASSERT_EQ(stream->Save(memory.Get(), TRUE), S_OK);
  EXPECT_EQ(stream->IsDirty(), S_FALSE);
  ULARGE_INTEGER max{};
  EXPECT_EQ(stream->GetSizeMax(&max), S_OK);
  STATSTG stat{};
  memory->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, max.QuadPart);

  auto other = NewControl();
  auto otherStream = other.As<IPersistStreamInit>(IID_IPersistStreamInit);
  LARGE_INTEGER zero{};
  memory->Seek(zero, STREAM_SEEK_SET, nullptr);
  ASSERT_EQ(otherStream->Load(memory.Get()), S_OK);
  SIZEL loaded{};
  other.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 1234);
  EXPECT_EQ(loaded.cy, 5678);
  CLSID clsid{};
  EXPECT_EQ(otherStream->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Gatherwick));

  // A truncated stream is refused and changes nothing.
  ComPtr<IStream> shortStream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, shortStream.Put()), S_OK);
  const DWORD half[1] = {0x0100};
  shortStream->Write(half, sizeof(half), nullptr);
  shortStream->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_TRUE(FAILED(otherStream->Load(shortStream.Get())));
  other.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 1234);

  // The same through a compound document.
  ComPtr<ILockBytes> bytes;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
  ComPtr<IStorage> storage;
  ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                         0, storage.Put()),
            S_OK);
  ASSERT_EQ(control.As<IPersistStorage>(IID_IPersistStorage)->Save(storage.Get(), TRUE), S_OK);
  auto third = NewControl();
  ASSERT_EQ(third.As<IPersistStorage>(IID_IPersistStorage)->Load(storage.Get()), S_OK);
  third.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 1234);
  EXPECT_EQ(loaded.cy, 5678);
  EXPECT_EQ(third.As<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(), S_OK);
  third.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 5080);
}

TEST_F(ComTest, QuickActivationTakesTheSite) {
  auto control = NewControl();
  FakeSite site(L"https://mail.quillpost.com/mail/read.php", nullptr, true);
  QACONTAINER container{};
  container.cbSize = sizeof(container);
  container.pClientSite = &site;
  QACONTROL answer{};
  answer.cbSize = sizeof(answer);
  ASSERT_EQ(control.As<IQuickActivate>(IID_IQuickActivate)->QuickActivate(&container, &answer), S_OK);
  EXPECT_EQ(answer.dwMiscStatus, 0x20191u);
  ComPtr<IOleClientSite> got;
  control.As<IOleObject>(IID_IOleObject)->GetClientSite(got.Put());
  EXPECT_EQ(got.Get(), static_cast<IOleClientSite*>(&site));
  got.Reset();
  control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
}

TEST_F(ComTest, WindowedActivationMakesTheControlWindow) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"page", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  FakeSite site(L"https://mail.quillpost.com/mail/read.php", parent, false);
  {
    auto control = NewControl();
    auto ole = control.As<IOleObject>(IID_IOleObject);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    RECT pos{10, 20, 110, 70};
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
    EXPECT_EQ(site.activations, 1);
    auto inPlace = control.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    HWND window = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&window), S_OK);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), parent);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(style & wanted, wanted) << std::hex << style;
    RECT moved{5, 5, 55, 45};
    EXPECT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 50);
    EXPECT_EQ(client.bottom, 40);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
    EXPECT_EQ(site.uiActivations, 1);
    EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(site.deactivations, 1);
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
  }
  EXPECT_EQ(site.refs_, 1u) << "the control let go of its site";
  DestroyWindow(parent);
}

TEST_F(ComTest, WindowlessActivationHasNoWindow) {
  FakeSite site(L"https://mail.quillpost.com/mail/read.php", nullptr, true);
  auto control = NewControl();
  auto ole = control.As<IOleObject>(IID_IOleObject);
  ASSERT_EQ(ole->SetClientSite(&site), S_OK);
  ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(site.windowlessFlags, static_cast<DWORD>(ACTIVATE_WINDOWLESS));
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(control.As<IOleWindow>(IID_IOleWindow)->GetWindow(&window), E_FAIL);
  EXPECT_EQ(window, nullptr);
  // Members still run without a window: the clipboard is opened without owner.
  EXPECT_EQ(control->BeforePaste(), S_OK);
  control.As<IOleInPlaceObject>(IID_IOleInPlaceObject)->InPlaceDeactivate();
  EXPECT_EQ(site.deactivations, 1);
  ole->SetClientSite(nullptr);
}

// --- who may drive the control ----------------------------------------------------

class PolicyValue {
 public:
  PolicyValue(DWORD type, const std::wstring& data) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vantrell\\GatherwickAX", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    key_.Reset(key);
    RegSetValueExW(key, L"AllowedHosts", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  ~PolicyValue() { RegDeleteValueW(key_.Get(), L"AllowedHosts"); }

 private:
  qp::UniqueRegKey key_;
};

TEST_F(ComTest, PagesOffTheProductAreRefused) {
  struct Case {
    const wchar_t* page;  // null: a site without a moniker
    bool allowed;
  };
  const Case cases[] = {
      {L"https://mail.quillpost.com/mail/read.php", true},
      {L"http://staging.quillpost.com/read.php", true},
      {L"https://evil.example/read.php", false},
      {L"https://mail.quillpost.com.evil.example/read.php", false},
      {L"https://mail.quillpost.com@evil.example/", false},
      {L"about:blank", false},
      {L"file:///C:/users/me/page.html", false},
      {L"http://127.0.0.1:8080/mail/read.php", false},  // not listed
      {nullptr, false},
  };
  for (const auto& c : cases) {
    FakeSite site(c.page, nullptr, true);
    auto control = NewControl();
    auto ole = control.As<IOleObject>(IID_IOleObject);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    const HRESULT want = c.allowed ? S_OK : E_ACCESSDENIED;
    const std::string label = c.page ? std::string(c.page, c.page + wcslen(c.page)) : "no moniker";
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(want)) << label;
    BSTR url = SysAllocString(L"download.php?id=1");
    EXPECT_EQ(Hex(control->AddDownload(url, url, url)), Hex(want)) << label;
    EXPECT_EQ(Hex(control->EndMultipleDownload(url)), Hex(want)) << label;
    EXPECT_EQ(Hex(control->BeforePaste()), Hex(want)) << label;
    EXPECT_EQ(Hex(control->AfterPaste()), Hex(want)) << label;
    EXPECT_EQ(Hex(control->UnregisterOld()), Hex(want)) << label;
    SysFreeString(url);
    if (!c.allowed) {
      // Unregister would remove this prefix's registration if it ran.
      EXPECT_EQ(Hex(control->Unregister()), Hex(E_ACCESSDENIED)) << label;
      ComPtr<IErrorInfo> error;
      ASSERT_EQ(GetErrorInfo(0, error.Put()), S_OK) << label;
      BSTR description = nullptr;
      error->GetDescription(&description);
      EXPECT_EQ(Text(description), L"This page may not use the Quillpost control.");
      SysFreeString(description);
    }
    LONG value = 0;
    EXPECT_EQ(control->get_Version(&value), S_OK) << label;
    EXPECT_EQ(control->get_ProtectedMode(&value), S_OK) << label;
    ole->SetClientSite(nullptr);
  }
}

// Page script may create the control itself; the browser then hands it a
// site through IObjectWithSite instead of embedding it, and the page rule
// holds all the same.
TEST_F(ComTest, ScriptCreatedControlChecksItsPage) {
  FakeBrowser product(L"https://mail.quillpost.com/mail/read.php");
  FakeBrowser hostile(L"https://evil.example/read.php");
  FakeBrowser lookalike(L"https://mail.quillpost.com.evil.example/read.php");
  FakeBrowser blank(L"");
  FakeSite productPage(L"https://mail.quillpost.com/mail/read.php", nullptr, true);
  FakeSite hostilePage(L"https://evil.example/read.php", nullptr, true);
  FakeSite noMoniker(nullptr, nullptr, true);
  struct Case {
    const char* label;
    IWebBrowser2* browser;
    IOleClientSite* client;
    bool allowed;
  };
  const Case cases[] = {
      {"browser on the product", &product, nullptr, true},
      {"browser on another host", &hostile, nullptr, false},
      {"browser on a look-alike host", &lookalike, nullptr, false},
      {"browser without an address", &blank, nullptr, false},
      {"neither client site nor browser", nullptr, nullptr, false},
      {"client site on the product", nullptr, &productPage, true},
      {"client site on another host", &product, &hostilePage, false},  // the site's page counts
      {"client site without moniker, browser on the product", &product, &noMoniker, true},
  };
  for (const auto& c : cases) {
    FakeObjectSite site(c.browser, c.client);
    auto control = NewControl();
    auto withSite = control.As<IObjectWithSite>(IID_IObjectWithSite);
    ASSERT_TRUE(withSite) << c.label;
    ComPtr<IUnknown> got;
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, got.PutVoid()), E_FAIL) << c.label;
    EXPECT_EQ(got.Get(), nullptr);
    ASSERT_EQ(withSite->SetSite(&site), S_OK) << c.label;
    ASSERT_EQ(withSite->GetSite(IID_IServiceProvider, got.PutVoid()), S_OK) << c.label;
    EXPECT_EQ(got.Get(), static_cast<IUnknown*>(&site)) << c.label;
    got.Reset();

    const HRESULT want = c.allowed ? S_OK : E_ACCESSDENIED;
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(want)) << c.label;
    EXPECT_EQ(Hex(control->BeforePaste()), Hex(want)) << c.label;
    EXPECT_EQ(Hex(control->AfterPaste()), Hex(want)) << c.label;
    EXPECT_EQ(Hex(control->UnregisterOld()), Hex(want)) << c.label;
    if (!c.allowed) {
      EXPECT_EQ(Hex(control->Unregister()), Hex(E_ACCESSDENIED)) << c.label;
    }
    VARIANT keys, names, sizes;
    VariantInit(&keys);
    VariantInit(&names);
    VariantInit(&sizes);
    BSTR host = SysAllocString(L"mail.quillpost.com");
    EXPECT_EQ(Hex(control->PrepareClipboard(host, host, host, host, &keys, &names, &sizes)),
              Hex(want))
        << c.label;
    SysFreeString(host);
    LONG value = 0;
    EXPECT_EQ(control->get_Version(&value), S_OK) << c.label;

    // Taking the site away leaves a hosted control without a page.
    ASSERT_EQ(withSite->SetSite(nullptr), S_OK);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, got.PutVoid()), E_FAIL) << c.label;
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED)) << c.label;
    EXPECT_EQ(site.refs, 1u) << c.label << ": the site is given back";
  }
  EXPECT_EQ(product.refs, 1u);
  EXPECT_EQ(hostile.refs, 1u);
}

TEST_F(ComTest, HostedControlStaysBoundToItsPage) {
  // The container's moniker comes only after it set the site: the page
  // is read again when a member is called.
  FakeSite site(nullptr, nullptr, true);
  auto control = NewControl();
  auto ole = control.As<IOleObject>(IID_IOleObject);
  ASSERT_EQ(ole->SetClientSite(&site), S_OK);
  EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED)) << "no page yet";
  site.SetPage(L"https://mail.quillpost.com/mail/read.php");
  EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(S_OK)) << "page known now";

  // A control that was hosted does not become a script host's control.
  ASSERT_EQ(ole->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->UnregisterOld()), Hex(E_ACCESSDENIED));

  // Nor does one whose browser site was taken away before any call.
  FakeBrowser browser(L"https://mail.quillpost.com/mail/read.php");
  FakeObjectSite objectSite(&browser, nullptr);
  auto scripted = NewControl();
  auto withSite = scripted.As<IObjectWithSite>(IID_IObjectWithSite);
  ASSERT_EQ(withSite->SetSite(&objectSite), S_OK);
  ASSERT_EQ(withSite->SetSite(nullptr), S_OK);
  EXPECT_EQ(Hex(scripted->StartMultipleDownload()), Hex(E_ACCESSDENIED));
}

TEST_F(ComTest, AdministratorListsFurtherHosts) {
  for (DWORD type : {static_cast<DWORD>(REG_SZ), static_cast<DWORD>(REG_MULTI_SZ)}) {
    const std::wstring value = type == REG_SZ ? std::wstring(L"intranet.example; 127.0.0.1")
                                              : std::wstring(L"intranet.example") + L'\0' +
                                                    L"127.0.0.1" + L'\0';
    PolicyValue policy(type, value);
    FakeSite site(L"http://127.0.0.1:8080/mail/read.php", nullptr, true);
    auto control = NewControl();
    control.As<IOleObject>(IID_IOleObject)->SetClientSite(&site);
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(S_OK)) << type;
    control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
  }
  FakeSite site(L"http://127.0.0.1:8080/mail/read.php", nullptr, true);
  auto control = NewControl();
  control.As<IOleObject>(IID_IOleObject)->SetClientSite(&site);
  EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED)) << "value removed";
  control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
}

TEST_F(ComTest, UploadHostMustBeAllowedToo) {
  VARIANT keys, names, sizes;
  VariantInit(&keys);
  VariantInit(&names);
  VariantInit(&sizes);
  struct Case {
    const wchar_t* page;
    const wchar_t* host;
    HRESULT result;
  };
  const Case cases[] = {
      {nullptr, L"mail.quillpost.com", S_OK},  // a local script host: only the host rule
      {nullptr, L"evil.example", E_ACCESSDENIED},
      {nullptr, L"mail.quillpost.com@evil.example", E_ACCESSDENIED},
      {L"https://mail.quillpost.com/read.php", L"mail.quillpost.com", S_OK},
      {L"https://mail.quillpost.com/read.php", L"evil.example", E_ACCESSDENIED},
      {L"https://evil.example/read.php", L"mail.quillpost.com", E_ACCESSDENIED},
  };
  for (const auto& c : cases) {
    auto control = NewControl();
    FakeSite site(c.page, nullptr, true);
    if (c.page) control.As<IOleObject>(IID_IOleObject)->SetClientSite(&site);
    BSTR host = SysAllocString(c.host);
    BSTR other = SysAllocString(L"x");
    EXPECT_EQ(Hex(control->PrepareClipboard(host, other, other, other, &keys, &names, &sizes)),
              Hex(c.result))
        << (c.page ? "page " : "no site ") << std::string(c.host, c.host + wcslen(c.host));
    SysFreeString(host);
    SysFreeString(other);
    control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
  }
}

// Registration runs under the system locale and gives the caller's back.
TEST_F(ComTest, RegistrationRestoresTheThreadLocale) {
  const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
  const LCID before = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(german));
  EXPECT_EQ(Hex(RegisterServer()), Hex(S_OK));
  EXPECT_EQ(GetThreadLocale(), german);
  EXPECT_EQ(Hex(UnregisterServer()), Hex(S_OK));
  EXPECT_EQ(GetThreadLocale(), german);
  SetThreadLocale(before);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS)
      << "unregistered again";
  qp::UniqueRegKey opened(key);
}

// --- the clipboard members ----------------------------------------------------------

TEST_F(ComTest, ClipboardBusyAndAlwaysClosed) {
  auto control = NewControl();
  BSTR host = SysAllocString(L"mail.quillpost.com");
  VARIANT keys;
  VariantInit(&keys);
  auto openFromAnotherThread = [] {
    bool opened = false;
    std::thread([&] {
      opened = OpenClipboard(nullptr) != FALSE;
      if (opened) CloseClipboard();
    }).join();
    return opened;
  };
  EXPECT_EQ(control->PrepareClipboard(host, host, host, host, &keys, &keys, &keys), S_OK);
  EXPECT_TRUE(openFromAnotherThread()) << "PrepareClipboard left the clipboard open";
  EXPECT_EQ(control->BeforePaste(), S_OK);
  EXPECT_TRUE(openFromAnotherThread()) << "BeforePaste left the clipboard open";
  EXPECT_EQ(control->AfterPaste(), S_OK);
  EXPECT_TRUE(openFromAnotherThread()) << "AfterPaste left the clipboard open";

  // Another program holds the clipboard: every member returns S_OK.
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    const bool ok = OpenClipboard(nullptr) != FALSE;
    SetEvent(opened);
    WaitForSingleObject(done, 30000);
    if (ok) CloseClipboard();
  });
  WaitForSingleObject(opened, 30000);
  EXPECT_EQ(control->PrepareClipboard(host, host, host, host, &keys, &keys, &keys), S_OK);
  EXPECT_EQ(control->BeforePaste(), S_OK);
  EXPECT_EQ(control->AfterPaste(), S_OK);
  SetEvent(done);
  holder.join();
  CloseHandle(opened);
  CloseHandle(done);
  SysFreeString(host);
}

// --- script arrays ------------------------------------------------------------------

// A script array as engines expose it: names are created on demand and
// each put is recorded. Fails any call the filling must not make.
class FakeArray : public IDispatchEx {
 public:
  struct Put {
    std::wstring name;
    VARTYPE type;
    std::wstring text;
    int number;
  };
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || (iid == __uuidof(IDispatchEx) && ex_)) {
      *out = static_cast<IDispatchEx*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return Unexpected("GetIDsOfNames");
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return Unexpected("Invoke");
  }
  STDMETHODIMP GetDispID(BSTR name, DWORD flags, DISPID* id) override {
    EXPECT_EQ(flags & fdexNameEnsure, static_cast<DWORD>(fdexNameEnsure));
    names_.push_back(Text(name));
    *id = 1000 + static_cast<DISPID>(names_.size() - 1);
    return S_OK;
  }
  STDMETHODIMP InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        IServiceProvider*) override {
    EXPECT_EQ(lcid, 0x0400u);
    EXPECT_EQ(flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(params->cArgs, 1u);
    EXPECT_EQ(params->cNamedArgs, 1u);
    if (params->cNamedArgs == 1) {
      EXPECT_EQ(params->rgdispidNamedArgs[0], DISPID_PROPERTYPUT);
    }
    if (puts.size() == refuseAt) return E_FAIL;
    const VARIANT& v = params->rgvarg[0];
    puts.push_back({names_.at(static_cast<size_t>(id - 1000)), V_VT(&v),
                    V_VT(&v) == VT_BSTR ? Text(V_BSTR(&v)) : L"", V_VT(&v) == VT_INT ? V_INT(&v) : 0});
    return S_OK;
  }
  STDMETHODIMP DeleteMemberByName(BSTR, DWORD) override { return Unexpected("DeleteMemberByName"); }
  STDMETHODIMP DeleteMemberByDispID(DISPID) override { return Unexpected("DeleteMemberByDispID"); }
  STDMETHODIMP GetMemberProperties(DISPID, DWORD, DWORD*) override { return Unexpected("GetMemberProperties"); }
  STDMETHODIMP GetMemberName(DISPID, BSTR*) override { return Unexpected("GetMemberName"); }
  STDMETHODIMP GetNextDispID(DWORD, DISPID, DISPID*) override { return Unexpected("GetNextDispID"); }
  STDMETHODIMP GetNameSpaceParent(IUnknown**) override { return Unexpected("GetNameSpaceParent"); }

  explicit FakeArray(bool ex = true) : ex_(ex) {}
  std::vector<Put> puts;
  size_t refuseAt = SIZE_MAX;
  ULONG refs = 1;

 private:
  HRESULT Unexpected(const char* what) {
    ADD_FAILURE() << "unexpected call " << what;
    return E_NOTIMPL;
  }
  bool ex_;
  std::vector<std::wstring> names_;
};

VARIANT Holding(IDispatch* object) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = object;
  return v;
}

TEST(ScriptArray, FillsElementByElement) {
  FakeArray keys;
  VARIANT target = Holding(&keys);
  const std::vector<std::string> texts = {"k1", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC", ""};
  EXPECT_EQ(FillScriptArray(&target, texts), 3u);
  ASSERT_EQ(keys.puts.size(), 3u);
  EXPECT_EQ(keys.puts[0].name, L"0");
  EXPECT_EQ(keys.puts[2].name, L"2");
  for (const auto& p : keys.puts) EXPECT_EQ(p.type, VT_BSTR);
  EXPECT_EQ(keys.puts[0].text, L"k1");
  EXPECT_EQ(keys.puts[1].text, L"Gr\u00fc\u00dfe \u20ac") << "UTF-8 becomes UTF-16";
  EXPECT_EQ(keys.puts[2].text, L"");

  FakeArray sizes;
  target = Holding(&sizes);
  std::vector<uint32_t> numbers(12);
  for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = static_cast<uint32_t>(i * 1000);
  EXPECT_EQ(FillScriptArray(&target, numbers), 12u);
  ASSERT_EQ(sizes.puts.size(), 12u);
  EXPECT_EQ(sizes.puts[11].name, L"11") << "decimal, no leading zeros";
  EXPECT_EQ(sizes.puts[11].type, VT_INT);
  EXPECT_EQ(sizes.puts[11].number, 11000);

  // VT_INT is signed: sizes of 2 GiB and more stay at its largest value.
  FakeArray large;
  target = Holding(&large);
  EXPECT_EQ(FillScriptArray(&target, std::vector<uint32_t>{0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}), 3u);
  ASSERT_EQ(large.puts.size(), 3u);
  for (const auto& p : large.puts) EXPECT_EQ(p.number, INT_MAX) << p.name;
  EXPECT_EQ(keys.refs, 1u);
  EXPECT_EQ(sizes.refs, 1u) << "references given back";
}

TEST(ScriptArray, LeavesOtherValuesAlone) {
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"keys");
  EXPECT_EQ(FillScriptArray(&text, std::vector<std::string>{"a"}), 0u);
  EXPECT_EQ(V_VT(&text), VT_BSTR);
  EXPECT_EQ(Text(V_BSTR(&text)), L"keys");
  VariantClear(&text);

  VARIANT null = Holding(nullptr);
  EXPECT_EQ(FillScriptArray(&null, std::vector<uint32_t>{1}), 0u);
  VARIANT empty;
  VariantInit(&empty);
  EXPECT_EQ(FillScriptArray(&empty, std::vector<uint32_t>{1}), 0u);
  EXPECT_EQ(FillScriptArray(nullptr, std::vector<uint32_t>{1}), 0u);

  FakeArray plain(false);  // IDispatch without IDispatchEx
  VARIANT target = Holding(&plain);
  EXPECT_EQ(FillScriptArray(&target, std::vector<uint32_t>{1}), 0u);
  EXPECT_TRUE(plain.puts.empty());
}

TEST(ScriptArray, StopsWhereTheObjectRefuses) {
  FakeArray names;
  names.refuseAt = 1;
  VARIANT target = Holding(&names);
  EXPECT_EQ(FillScriptArray(&target, std::vector<std::string>{"a", "b", "c"}), 1u);
  EXPECT_EQ(names.puts.size(), 1u);

  // Through IDispatch an out argument may come as a reference to the array.
  FakeArray byRef;
  VARIANT inner = Holding(&byRef);
  VARIANT reference;
  VariantInit(&reference);
  V_VT(&reference) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&reference) = &inner;
  EXPECT_EQ(FillScriptArray(&reference, std::vector<uint32_t>{7, 8}), 2u);
}

}  // namespace
}  // namespace gwax
