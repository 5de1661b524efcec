// The page the control serves: the site IObjectWithSite gives a control
// that page script created, the page's address read from the sites, and
// the check each scripting member makes against it (caller_policy.h).
#include "control/object/win32/control_object_win.h"

#include <exdisp.h>
#include <servprov.h>
#include <shlguid.h>

#include <optional>
#include <string_view>
#include <vector>

#include "common/win32/cotaskmem_win.h"
#include "common/win32/variant_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"
#include "control/object/page_base.h"
#include "control/object/win32/allowed_hosts_reader_win.h"

namespace gwax {
namespace {

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

// The address the browser that the site serves shows.
std::u16string BrowserAddress(IUnknown* site) {
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
  return qp::BstrText(owned.Get());
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

// How a browser hands its site to a control that page script created
// itself, without embedding it.
STDMETHODIMP GatherwickControl::SetSite(IUnknown* site) {
  objectSite_ = qp::ComPtr<IUnknown>::Share(site);
  ReadPageAddress();
  policy_.OnObjectSite(site != nullptr, !pageAddress_.empty(), ProcessImagePath());
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetSite(REFIID iid, void** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  if (!objectSite_) return E_FAIL;
  return objectSite_->QueryInterface(iid, site);
}

// The page's address, from the embedding site, else from the site given
// through IObjectWithSite: its client site, else the browser it serves.
// Out of memory leaves the page unknown, which a bound control refuses.
void GatherwickControl::ReadPageAddress() {
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

// Every member but the two informational ones checks here; a refusal
// leaves its reason in the error info.
HRESULT GatherwickControl::CheckCaller(const BSTR* uploadHost) {
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

}  // namespace gwax
