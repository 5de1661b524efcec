// Who may drive the control, through COM: the page an embedding or a browser
// site leads to, and the upload host.
#include "control/object/win32/control_object_win.h"

#include <gtest/gtest.h>

#include <string>

#include "control/object/win32/fake_container_win.h"
#include "control/object/win32/fake_document_win.h"

namespace gwax {
namespace {

TEST_F(ComTest, PagesOffTheProductAreRefused) {
  struct Case {
    const wchar_t* page;  // null: a site without a moniker
    bool allowed;
  };
  const Case cases[] = {
      {L"https://mail.quillpost.com/mail/read.php", true},
      {L"http://staging.quillpost.com/read.php", true},
      {L"http://mail.quillpost.com/mail/read.php", false},  // the product's pages over https only
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
    // Emptied again first: an allowed page's End would ask for a folder.
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(want)) << label;
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
      {nullptr, L"mail.quillpost.com", E_ACCESSDENIED},  // no site, and this is no script host
      {L"https://mail.quillpost.com/read.php", L"mail.quillpost.com", S_OK},
      {L"https://mail.quillpost.com/read.php", L"mail.quillpost.com:8443", S_OK},
      {L"https://mail.quillpost.com/read.php", L"mail.quillpost.com//evil.example/up", E_ACCESSDENIED},
      {L"https://mail.quillpost.com/read.php", L"mail.quillpost.com:99999", E_ACCESSDENIED},
      {L"https://mail.quillpost.com/read.php", L"mail.quillpost.com/127.0.0.1", E_ACCESSDENIED},
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

// The page is read from the sites at every call: a page that navigates
// away leaves a control that refuses, and one that comes back is served
// again. Each source in the order the control asks them.
TEST_F(ComTest, CallingPageIsJudgedAtEveryCall) {
  constexpr wchar_t kProduct[] = L"https://mail.quillpost.com/mail/read.php";
  constexpr wchar_t kElsewhere[] = L"https://evil.example/read.php";
  enum Source { kMoniker, kContainerDocument, kServedDocument, kBrowser };
  const char* const labels[] = {"container moniker", "document containing the control",
                                "document the browser site serves", "browser address"};
  for (Source source : {kMoniker, kContainerDocument, kServedDocument, kBrowser}) {
    const char* label = labels[source];
    FakeSite site(source == kMoniker ? kProduct : nullptr, nullptr, true);
    FakeDocument document(kProduct);
    FakeBrowser browser(kProduct);
    // The browser keeps showing the product while the calling document
    // changes: the document counts.
    FakeObjectSite objectSite(&browser, nullptr,
                              source == kServedDocument ? static_cast<IHTMLDocument2*>(&document) : nullptr);
    site.SetContainer(&document);
    auto control = NewControl();
    if (source == kMoniker || source == kContainerDocument) {
      ASSERT_EQ(control.As<IOleObject>(IID_IOleObject)->SetClientSite(&site), S_OK);
    } else {
      ASSERT_EQ(control.As<IObjectWithSite>(IID_IObjectWithSite)->SetSite(&objectSite), S_OK);
    }
    const auto navigate = [&](const wchar_t* page) {
      if (source == kMoniker) site.SetPage(page);
      if (source == kContainerDocument || source == kServedDocument) document.Navigate(page);
      if (source == kBrowser) browser.Navigate(page);
    };
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(S_OK)) << label;
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(S_OK)) << label << ": second call";
    navigate(kElsewhere);
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED)) << label << ": navigated away";
    EXPECT_EQ(Hex(control->UnregisterOld()), Hex(E_ACCESSDENIED)) << label;
    navigate(L"http://mail.quillpost.com/mail/read.php");
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED)) << label << ": plain http";
    navigate(kProduct);
    EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(S_OK)) << label << ": back on the product";
    if (source == kContainerDocument || source == kServedDocument) {
      // Six member calls, and for a browser's site one look when it arrives.
      EXPECT_EQ(document.urlReads, source == kServedDocument ? 7 : 6) << label;
    }
    control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
    control.As<IObjectWithSite>(IID_IObjectWithSite)->SetSite(nullptr);
  }
}

// A control that never got a site, in a program that is no script host
// (this test program): nothing but the two informational members.
TEST_F(ComTest, UnsitedControlOutsideScriptHostsRefuses) {
  auto control = NewControl();
  BSTR text = SysAllocString(L"mail.quillpost.com");
  VARIANT keys, names, sizes;
  VariantInit(&keys);
  VariantInit(&names);
  VariantInit(&sizes);
  EXPECT_EQ(Hex(control->StartMultipleDownload()), Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->AddDownload(text, text, text)), Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->EndMultipleDownload(text)), Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->PrepareClipboard(text, text, text, text, &keys, &names, &sizes)),
            Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->BeforePaste()), Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->AfterPaste()), Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->UnregisterOld()), Hex(E_ACCESSDENIED));
  EXPECT_EQ(Hex(control->Unregister()), Hex(E_ACCESSDENIED));
  SysFreeString(text);
  LONG value = 0;
  EXPECT_EQ(control->get_Version(&value), S_OK);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(control->get_ProtectedMode(&value), S_OK);
}

}  // namespace
}  // namespace gwax
