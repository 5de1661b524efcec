// The page the control serves: the site IObjectWithSite gives a control
// that page script created, the address of the page that calls, and the
// check each scripting member makes against it (caller_policy.h).
#include "control/object/win32/control_object_win.h"

#include <docobj.h>
#include <exdisp.h>
#include <mshtml.h>
#include <servprov.h>
#include <shlguid.h>

#include <optional>
#include <string_view>
#include <vector>

#include "common/win32/cotaskmem_win.h"
#include "common/win32/variant_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/object/win32/allowed_hosts_reader_win.h"

namespace gwax {
namespace {

// The service a browser's site offers for the page's document; the import
// library lacks it.
constexpr GUID kSidContainerDispatch = {
    0xb722be00, 0x4e68, 0x101b, {0xa2, 0xbc, 0x00, 0xaa, 0x00, 0x40, 0x47, 0x70}};

std::u16string TakeBstr(BSTR text) {
  const qp::UniqueBstr owned(text);
  return qp::BstrText(owned.Get());
}

// The display name of the site's container moniker: the page's address.
std::u16string MonikerAddress(IOleClientSite* site) {
  qp::ComPtr<IMoniker> moniker;
  if (FAILED(site->GetMoniker(OLEGETMONIKER_TEMPFORUSER, OLEWHICHMK_CONTAINER, moniker.Put())) ||
      !moniker) {
    return {};
  }
  qp::ComPtr<IBindCtx> context;
  if (FAILED(CreateBindCtx(0, context.Put()))) return {};
  LPOLESTR name = nullptr;
  if (FAILED(moniker->GetDisplayName(context.Get(), nullptr, &name)) || !name) return {};
  const qp::UniqueCoTaskMem<wchar_t> owned(name);
  return qp::FromWide(owned.Get());
}

std::u16string DocumentAddress(IUnknown* document) {
  if (!document) return {};
  auto html = qp::ComPtr<IUnknown>::Share(document).As<IHTMLDocument2>(IID_IHTMLDocument2);
  BSTR url = nullptr;
  if (!html || FAILED(html->get_URL(&url))) return {};
  return TakeBstr(url);
}

// The page a client site names: its container moniker, else the URL of
// the document that contains it.
std::u16string ClientSiteAddress(IOleClientSite* site) {
  std::u16string address = MonikerAddress(site);
  if (!address.empty()) return address;
  qp::ComPtr<IOleContainer> container;
  if (FAILED(site->GetContainer(container.Put())) || !container) return {};
  return DocumentAddress(container.Get());
}

// The document a browser's site serves, through its services.
std::u16string ServedDocumentAddress(IServiceProvider* services) {
  qp::ComPtr<IUnknown> document;
  if (FAILED(services->QueryService(kSidContainerDispatch, IID_IHTMLDocument2, document.PutVoid()))) {
    return {};
  }
  return DocumentAddress(document.Get());
}

// The address the browser that the site serves shows: its top page, which
// may not be the calling document.
std::u16string BrowserAddress(IServiceProvider* services) {
  qp::ComPtr<IWebBrowser2> browser;
  if (FAILED(services->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2, browser.PutVoid())) ||
      !browser) {
    return {};
  }
  BSTR url = nullptr;
  if (FAILED(browser->get_LocationURL(&url))) return {};
  return TakeBstr(url);
}

void ReportDenied() {
  qp::ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.Put()))) return;
  create->SetGUID(IID_IGatherwick);
  create->SetSource(const_cast<LPOLESTR>(qp::Wide(kProgId)));
  create->SetDescription(const_cast<LPOLESTR>(L"This page may not use the Quillpost control."));
  if (auto info = create.As<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.Get());
}

}  // namespace

std::u16string GatherwickControl::ProcessImagePath() noexcept {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  try {
    return qp::FromWide(path);
  } catch (...) {
    return {};
  }
}

// How a browser hands its site to a control that page script created
// itself, without embedding it.
STDMETHODIMP GatherwickControl::SetSite(IUnknown* site) {
  objectSite_ = qp::ComPtr<IUnknown>::Share(site);
  bool pageFound = false;
  try {
    pageFound = !CallingPageAddress().empty();
  } catch (...) {
  }
  policy_.OnObjectSite(site != nullptr, pageFound);
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetSite(REFIID iid, void** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  if (!objectSite_) return E_FAIL;
  return objectSite_->QueryInterface(iid, site);
}

// The address of the document that calls, as the sites name it now: the
// embedding site's page; else, from the site IObjectWithSite gave, its
// client site's page, the document it serves, and as a last resort the
// address its browser shows. Empty when none is found.
std::u16string GatherwickControl::CallingPageAddress() const {
  if (site_) {
    std::u16string address = ClientSiteAddress(site_.Get());
    if (!address.empty()) return address;
  }
  if (!objectSite_) return {};
  if (auto client = objectSite_.As<IOleClientSite>(IID_IOleClientSite)) {
    std::u16string address = ClientSiteAddress(client.Get());
    if (!address.empty()) return address;
  }
  auto services = objectSite_.As<IServiceProvider>(IID_IServiceProvider);
  if (!services) return {};
  std::u16string address = ServedDocumentAddress(services.Get());
  if (address.empty()) address = BrowserAddress(services.Get());
  return address;
}

// Every member but the two informational ones checks here, against the
// page that calls now; a refusal leaves its reason in the error info. The
// page's address goes to `pageAddress` for members that need it.
HRESULT GatherwickControl::CheckCaller(const BSTR* uploadHost, std::u16string* pageAddress) {
  SetErrorInfo(0, nullptr);
  try {
    std::u16string page = CallingPageAddress();
    const std::vector<std::u16string> extra = ReadExtraAllowedHosts();
    const std::u16string host = uploadHost ? qp::BstrText(*uploadHost) : std::u16string();
    std::optional<std::u16string_view> upload;
    if (uploadHost) upload = host;
    if (policy_.Allows(page, upload, extra)) {
      if (pageAddress) *pageAddress = std::move(page);
      return S_OK;
    }
  } catch (...) {
  }
  ReportDenied();
  return E_ACCESSDENIED;
}

}  // namespace gwax
