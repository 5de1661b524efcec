// A page that embeds the registered control, for the scenarios that need
// one: it gives the control a client site whose container moniker names
// PAGE (as a browser's document does), then lists the downloads and ends
// them as page script would.
//
//   gatherwick_page PAGE THEME [ADDRESS NAME SIZE]...
//
// Prints "ended HRESULT" once EndMultipleDownload returned.
#include <windows.h>
#include <ole2.h>
#include <urlmon.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class PageSite final : public IOleClientSite {
 public:
  explicit PageSite(const wchar_t* page) : page_(page) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IOleClientSite) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives in wmain
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    return CreateURLMonikerEx(nullptr, page_, moniker, URL_MK_UNIFORM);
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

 private:
  const wchar_t* page_;
  ULONG refs_ = 1;
};

HRESULT Call(IDispatch* control, const wchar_t* member, std::vector<std::wstring> args) {
  LPOLESTR name = const_cast<LPOLESTR>(member);
  DISPID id = 0;
  HRESULT hr = control->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> values(args.size());
  for (size_t i = 0; i < args.size(); ++i) {  // last argument first
    VariantInit(&values[i]);
    V_VT(&values[i]) = VT_BSTR;
    V_BSTR(&values[i]) = SysAllocString(args[args.size() - 1 - i].c_str());
  }
  DISPPARAMS params{values.data(), nullptr, static_cast<UINT>(values.size()), 0};
  hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                       nullptr);
  for (auto& v : values) VariantClear(&v);
  return hr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || (argc - 3) % 3 != 0) return 2;
  if (FAILED(OleInitialize(nullptr))) return 1;
  int result = 1;
  {
    CLSID clsid;
    IDispatch* control = nullptr;
    if (SUCCEEDED(CLSIDFromProgID(L"Vantrell.QPTTool", &clsid)) &&
        SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&control)))) {
      PageSite site(argv[1]);
      IOleObject* ole = nullptr;
      if (SUCCEEDED(control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)))) {
        ole->SetClientSite(&site);
        HRESULT hr = Call(control, L"StartMultipleDownload", {});
        for (int i = 3; SUCCEEDED(hr) && i < argc; i += 3) {
          hr = Call(control, L"AddDownload", {argv[i], argv[i + 1], argv[i + 2]});
        }
        if (SUCCEEDED(hr)) hr = Call(control, L"EndMultipleDownload", {argv[2]});
        std::printf("ended %08lx\n", static_cast<unsigned long>(hr));
        std::fflush(stdout);
        ole->SetClientSite(nullptr);
        ole->Release();
        result = 0;
      }
      control->Release();
    }
  }
  OleUninitialize();
  return result;
}
