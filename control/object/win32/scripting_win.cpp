// IGatherwick, the scripting interface a page drives the control through,
// and its IDispatch.
#include "control/object/win32/control_object_win.h"

#include "common/win32/clipboard_win.h"
#include "common/win32/variant_win.h"
#include "control/clipboard/win32/paste_win.h"
#include "control/constants.h"
#include "control/downloads/win32/address_parser_win.h"
#include "control/downloads/download_sequence.h"
#include "control/downloads/win32/download_ports_win.h"
#include "control/object/page_base.h"
#include "control/object/win32/protected_mode_win.h"
#include "control/object/win32/registration_win.h"
#include "control/object/win32/script_array_win.h"

namespace gwax {
namespace {

constexpr DISPID kPrepareClipboardId = 6;

// Runs `work` with the clipboard open, as the clipboard members do: S_OK
// at once when another program holds the clipboard, `failed` when the work
// throws. The work is handed the open clipboard, which it may close early;
// it is closed in every case.
template <typename Work>
HRESULT WithClipboard(HWND owner, HRESULT failed, Work work) {
  qp::ClipboardOpen clipboard(owner);
  if (!clipboard.IsOpen()) return S_OK;
  try {
    work(clipboard);
  } catch (...) {
    return failed;
  }
  return S_OK;
}

}  // namespace

STDMETHODIMP GatherwickControl::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                       DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* exception, UINT* argError) {
  if (IsEqualIID(iid, IID_NULL) && id == kPrepareClipboardId && (flags & DISPATCH_METHOD)) {
    return InvokePrepareClipboard(params, argError);
  }
  return DispatchObject::Invoke(id, iid, locale, flags, params, result, exception, argError);
}

// PrepareClipboard's three arrays are [out] VARIANTs in the type library,
// but a script passes its arrays by value, which the type library's
// invocation refuses as a type mismatch. The call is unpacked here so that
// the arrays reach the member as the script passed them.
HRESULT GatherwickControl::InvokePrepareClipboard(DISPPARAMS* params, UINT* argError) {
  constexpr UINT kArguments = 7;
  if (!params || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != kArguments) return DISP_E_BADPARAMCOUNT;
  // Arguments arrive last first.
  qp::UniqueVariant texts[4];
  for (UINT i = 0; i < 4; ++i) {
    const HRESULT hr =
        VariantChangeType(texts[i].Get(), &params->rgvarg[kArguments - 1 - i], 0, VT_BSTR);
    if (FAILED(hr)) {
      if (argError) *argError = kArguments - 1 - i;
      return hr;
    }
  }
  return PrepareClipboard(V_BSTR(texts[0].Get()), V_BSTR(texts[1].Get()), V_BSTR(texts[2].Get()),
                          V_BSTR(texts[3].Get()), &params->rgvarg[2], &params->rgvarg[1],
                          &params->rgvarg[0]);
}

STDMETHODIMP GatherwickControl::get_Version(LONG* value) {
  if (!value) return E_POINTER;
  *value = kInterfaceVersion;
  return S_OK;
}

STDMETHODIMP GatherwickControl::get_ProtectedMode(LONG* value) {
  if (!value) return E_POINTER;
  try {
    *value = BrowserProtectedMode();
  } catch (...) {
    *value = 0;
  }
  return S_OK;
}

STDMETHODIMP GatherwickControl::StartMultipleDownload() {
  if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
  downloads_.Clear();
  return S_OK;
}

STDMETHODIMP GatherwickControl::AddDownload(BSTR url, BSTR name, BSTR size) {
  std::u16string page;
  if (HRESULT denied = CheckCaller(nullptr, &page); FAILED(denied)) return denied;
  try {
    gwax::AddDownload(downloads_, qp::BstrText(url), qp::BstrText(name), qp::BstrText(size),
                      PageBase(page), IsSplittableAddress);
  } catch (...) {
    return E_FAIL;
  }
  return S_OK;
}

STDMETHODIMP GatherwickControl::EndMultipleDownload(BSTR theme) {
  if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
  try {
    Win32DownloadPorts ports(ModuleInstance(), window_.Handle(), qp::BstrText(theme));
    RunDownloads(downloads_, ports);
  } catch (...) {
  }
  downloads_.Clear();
  return S_OK;
}

STDMETHODIMP GatherwickControl::PrepareClipboard(BSTR host, BSTR user, BSTR theme, BSTR sid,
                                                 VARIANT* keys, VARIANT* names, VARIANT* sizes) {
  if (HRESULT denied = CheckCaller(&host); FAILED(denied)) return denied;
  return WithClipboard(window_.Handle(), E_FAIL, [&](qp::ClipboardOpen& clipboard) {
    const UploadResult uploaded = PrepareClipboardContent(
        ModuleInstance(), window_.Handle(),
        {qp::BstrText(host), qp::BstrText(user), qp::BstrText(theme), qp::BstrText(sid)},
        clipboard);
    if (uploaded.Count() > 0) {
      FillScriptArray(keys, uploaded.keys);
      FillScriptArray(names, uploaded.names);
      FillScriptArray(sizes, uploaded.sizes);
    }
  });
}

STDMETHODIMP GatherwickControl::BeforePaste() {
  if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
  return WithClipboard(window_.Handle(), S_OK, [](qp::ClipboardOpen&) { ConvertClipboardContent(); });
}

STDMETHODIMP GatherwickControl::AfterPaste() {
  if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
  return WithClipboard(window_.Handle(), E_FAIL, [](qp::ClipboardOpen&) { RestoreClipboardContent(); });
}

STDMETHODIMP GatherwickControl::Unregister() {
  if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
  return UnregisterServer();
}

STDMETHODIMP GatherwickControl::UnregisterOld() {
  if (HRESULT denied = CheckCaller(nullptr); FAILED(denied)) return denied;
  return UnregisterOlderServer();
}

}  // namespace gwax
