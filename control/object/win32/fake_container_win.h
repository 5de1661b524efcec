// Test helpers for the control object: a COM fixture and a fake container.
//
// The container's client site, its moniker, a browser and the site a
// browser gives a script-created control.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>
#include <servprov.h>
#include <shlguid.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/win32/com_object_win.h"
#include "common/win32/com_ptr_win.h"
#include "control/object/win32/class_factory_win.h"
#include "control/object/win32/guids_win.h"

namespace gwax {

using qp::ComPtr;

inline std::string Hex(HRESULT hr) {
  char text[16];
  snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

inline std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

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

  // A control embedded in the page `site` names; the site outlives it.
  static ComPtr<IGatherwick> NewControlOn(IOleClientSite* site) {
    auto control = NewControl();
    if (control) {
      EXPECT_EQ(control.As<IOleObject>(IID_IOleObject)->SetClientSite(site), S_OK);
    }
    return control;
  }
};


// --- a container's client site ----------------------------------------------

class FakeMoniker final : public qp::ComObject<FakeMoniker, IMoniker> {
 public:
  static constexpr qp::InterfaceEntry<FakeMoniker> kInterfaces[] = {
      QP_INTERFACE(FakeMoniker, IUnknown, IMoniker), QP_INTERFACE(FakeMoniker, IMoniker, IMoniker)};

  explicit FakeMoniker(std::wstring name) : name_(std::move(name)) {}
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
    *c = container_;
    if (!container_) return E_NOINTERFACE;
    container_->AddRef();
    return S_OK;
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

  // A container whose moniker becomes ready only after it set the site,
  // or names another page after a navigation.
  void SetPage(const wchar_t* page) {
    page_ = page;
    hasPage_ = true;
  }
  // The document that contains the control.
  void SetContainer(IOleContainer* container) { container_ = container; }

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
  IOleContainer* container_ = nullptr;
};

// --- a browser handing its site to a script-created control --------------------

// The browser as its site's service provider names it; only the page's
// address can be asked of it.
class FakeBrowser final : public IWebBrowser2 {
 public:
  explicit FakeBrowser(const wchar_t* url) : url_(url) {}
  void Navigate(const wchar_t* url) { url_ = url; }
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

// The service of a browser's site that leads to the page's document.
constexpr GUID kSidContainerDispatch = {
    0xb722be00, 0x4e68, 0x101b, {0xa2, 0xbc, 0x00, 0xaa, 0x00, 0x40, 0x47, 0x70}};

// What a browser passes to IObjectWithSite::SetSite: a service provider
// that may lead to the browser and (`document`) the calling page's
// document, or (`client`) a client site as well.
class FakeObjectSite final : public IServiceProvider {
 public:
  FakeObjectSite(IWebBrowser2* browser, IOleClientSite* client, IUnknown* document = nullptr)
      : browser_(browser), client_(client), document_(document) {}
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
    if (service == kSidContainerDispatch && document_) return document_->QueryInterface(iid, out);
    return E_NOINTERFACE;
  }

  ULONG refs = 1;

 private:
  IWebBrowser2* browser_;
  IOleClientSite* client_;
  IUnknown* document_;
};

}  // namespace gwax
