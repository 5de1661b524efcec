// Test helper for the control object: a page's document that names its
// address (IHTMLDocument2::get_URL) and contains the control (IOleContainer),
// as a browser's document does. Its address can change, as when the
// frame navigates.
#pragma once

#include <windows.h>
#include <mshtml.h>
#include <ocidl.h>

#include <string>

namespace gwax {

class FakeDocument final : public IHTMLDocument2, public IOleContainer {
 public:
  explicit FakeDocument(const wchar_t* url) : url_(url) {}
  void Navigate(const wchar_t* url) { url_ = url; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument ||
        iid == IID_IHTMLDocument2) {
      *out = static_cast<IHTMLDocument2*>(this);
    } else if (iid == IID_IParseDisplayName || iid == IID_IOleContainer) {
      *out = static_cast<IOleContainer*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }  // lives on the test's stack

  STDMETHODIMP get_URL(BSTR* url) override {
    ++urlReads;
    *url = SysAllocString(url_.c_str());
    return S_OK;
  }

  // IOleContainer
  STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumObjects(DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP LockContainer(BOOL) override { return E_NOTIMPL; }

#define GWAX_NOTIMPL(sig) \
  STDMETHODIMP sig override { return E_NOTIMPL; }
  GWAX_NOTIMPL(GetTypeInfoCount(UINT*))
  GWAX_NOTIMPL(GetTypeInfo(UINT, LCID, ITypeInfo**))
  GWAX_NOTIMPL(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  GWAX_NOTIMPL(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
  GWAX_NOTIMPL(get_all(IHTMLElementCollection**))
  GWAX_NOTIMPL(get_body(IHTMLElement**))
  GWAX_NOTIMPL(get_activeElement(IHTMLElement**))
  GWAX_NOTIMPL(get_images(IHTMLElementCollection**))
  GWAX_NOTIMPL(get_applets(IHTMLElementCollection**))
  GWAX_NOTIMPL(get_links(IHTMLElementCollection**))
  GWAX_NOTIMPL(get_forms(IHTMLElementCollection**))
  GWAX_NOTIMPL(get_anchors(IHTMLElementCollection**))
  GWAX_NOTIMPL(put_title(BSTR))
  GWAX_NOTIMPL(get_title(BSTR*))
  GWAX_NOTIMPL(get_scripts(IHTMLElementCollection**))
  GWAX_NOTIMPL(put_designMode(BSTR))
  GWAX_NOTIMPL(get_designMode(BSTR*))
  GWAX_NOTIMPL(get_selection(IHTMLSelectionObject**))
  GWAX_NOTIMPL(get_readyState(BSTR*))
  GWAX_NOTIMPL(get_frames(IHTMLFramesCollection2**))
  GWAX_NOTIMPL(get_embeds(IHTMLElementCollection**))
  GWAX_NOTIMPL(get_plugins(IHTMLElementCollection**))
  GWAX_NOTIMPL(put_alinkColor(VARIANT))
  GWAX_NOTIMPL(get_alinkColor(VARIANT*))
  GWAX_NOTIMPL(put_bgColor(VARIANT))
  GWAX_NOTIMPL(get_bgColor(VARIANT*))
  GWAX_NOTIMPL(put_fgColor(VARIANT))
  GWAX_NOTIMPL(get_fgColor(VARIANT*))
  GWAX_NOTIMPL(put_linkColor(VARIANT))
  GWAX_NOTIMPL(get_linkColor(VARIANT*))
  GWAX_NOTIMPL(put_vlinkColor(VARIANT))
  GWAX_NOTIMPL(get_vlinkColor(VARIANT*))
  GWAX_NOTIMPL(get_referrer(BSTR*))
  GWAX_NOTIMPL(get_location(IHTMLLocation**))
  GWAX_NOTIMPL(get_lastModified(BSTR*))
  GWAX_NOTIMPL(put_URL(BSTR))
  GWAX_NOTIMPL(put_domain(BSTR))
  GWAX_NOTIMPL(get_domain(BSTR*))
  GWAX_NOTIMPL(put_cookie(BSTR))
  GWAX_NOTIMPL(get_cookie(BSTR*))
  GWAX_NOTIMPL(put_expando(VARIANT_BOOL))
  GWAX_NOTIMPL(get_expando(VARIANT_BOOL*))
  GWAX_NOTIMPL(put_charset(BSTR))
  GWAX_NOTIMPL(get_charset(BSTR*))
  GWAX_NOTIMPL(put_defaultCharset(BSTR))
  GWAX_NOTIMPL(get_defaultCharset(BSTR*))
  GWAX_NOTIMPL(get_mimeType(BSTR*))
  GWAX_NOTIMPL(get_fileSize(BSTR*))
  GWAX_NOTIMPL(get_fileCreatedDate(BSTR*))
  GWAX_NOTIMPL(get_fileModifiedDate(BSTR*))
  GWAX_NOTIMPL(get_fileUpdatedDate(BSTR*))
  GWAX_NOTIMPL(get_security(BSTR*))
  GWAX_NOTIMPL(get_protocol(BSTR*))
  GWAX_NOTIMPL(get_nameProp(BSTR*))
  GWAX_NOTIMPL(write(SAFEARRAY*))
  GWAX_NOTIMPL(writeln(SAFEARRAY*))
  GWAX_NOTIMPL(open(BSTR, VARIANT, VARIANT, VARIANT, IDispatch**))
  GWAX_NOTIMPL(close())
  GWAX_NOTIMPL(clear())
  GWAX_NOTIMPL(queryCommandSupported(BSTR, VARIANT_BOOL*))
  GWAX_NOTIMPL(queryCommandEnabled(BSTR, VARIANT_BOOL*))
  GWAX_NOTIMPL(queryCommandState(BSTR, VARIANT_BOOL*))
  GWAX_NOTIMPL(queryCommandIndeterm(BSTR, VARIANT_BOOL*))
  GWAX_NOTIMPL(queryCommandText(BSTR, BSTR*))
  GWAX_NOTIMPL(queryCommandValue(BSTR, VARIANT*))
  GWAX_NOTIMPL(execCommand(BSTR, VARIANT_BOOL, VARIANT, VARIANT_BOOL*))
  GWAX_NOTIMPL(execCommandShowHelp(BSTR, VARIANT_BOOL*))
  GWAX_NOTIMPL(createElement(BSTR, IHTMLElement**))
  GWAX_NOTIMPL(put_onhelp(VARIANT))
  GWAX_NOTIMPL(get_onhelp(VARIANT*))
  GWAX_NOTIMPL(put_onclick(VARIANT))
  GWAX_NOTIMPL(get_onclick(VARIANT*))
  GWAX_NOTIMPL(put_ondblclick(VARIANT))
  GWAX_NOTIMPL(get_ondblclick(VARIANT*))
  GWAX_NOTIMPL(put_onkeyup(VARIANT))
  GWAX_NOTIMPL(get_onkeyup(VARIANT*))
  GWAX_NOTIMPL(put_onkeydown(VARIANT))
  GWAX_NOTIMPL(get_onkeydown(VARIANT*))
  GWAX_NOTIMPL(put_onkeypress(VARIANT))
  GWAX_NOTIMPL(get_onkeypress(VARIANT*))
  GWAX_NOTIMPL(put_onmouseup(VARIANT))
  GWAX_NOTIMPL(get_onmouseup(VARIANT*))
  GWAX_NOTIMPL(put_onmousedown(VARIANT))
  GWAX_NOTIMPL(get_onmousedown(VARIANT*))
  GWAX_NOTIMPL(put_onmousemove(VARIANT))
  GWAX_NOTIMPL(get_onmousemove(VARIANT*))
  GWAX_NOTIMPL(put_onmouseout(VARIANT))
  GWAX_NOTIMPL(get_onmouseout(VARIANT*))
  GWAX_NOTIMPL(put_onmouseover(VARIANT))
  GWAX_NOTIMPL(get_onmouseover(VARIANT*))
  GWAX_NOTIMPL(put_onreadystatechange(VARIANT))
  GWAX_NOTIMPL(get_onreadystatechange(VARIANT*))
  GWAX_NOTIMPL(put_onafterupdate(VARIANT))
  GWAX_NOTIMPL(get_onafterupdate(VARIANT*))
  GWAX_NOTIMPL(put_onrowexit(VARIANT))
  GWAX_NOTIMPL(get_onrowexit(VARIANT*))
  GWAX_NOTIMPL(put_onrowenter(VARIANT))
  GWAX_NOTIMPL(get_onrowenter(VARIANT*))
  GWAX_NOTIMPL(put_ondragstart(VARIANT))
  GWAX_NOTIMPL(get_ondragstart(VARIANT*))
  GWAX_NOTIMPL(put_onselectstart(VARIANT))
  GWAX_NOTIMPL(get_onselectstart(VARIANT*))
  GWAX_NOTIMPL(elementFromPoint(LONG, LONG, IHTMLElement**))
  GWAX_NOTIMPL(get_parentWindow(IHTMLWindow2**))
  GWAX_NOTIMPL(get_styleSheets(IHTMLStyleSheetsCollection**))
  GWAX_NOTIMPL(put_onbeforeupdate(VARIANT))
  GWAX_NOTIMPL(get_onbeforeupdate(VARIANT*))
  GWAX_NOTIMPL(put_onerrorupdate(VARIANT))
  GWAX_NOTIMPL(get_onerrorupdate(VARIANT*))
  GWAX_NOTIMPL(toString(BSTR*))
  GWAX_NOTIMPL(createStyleSheet(BSTR, LONG, IHTMLStyleSheet**))
  GWAX_NOTIMPL(get_Script(IDispatch**))
#undef GWAX_NOTIMPL

  ULONG refs = 1;
  int urlReads = 0;

 private:
  std::wstring url_;
};

}  // namespace gwax
