// IGatherwick through IDispatch and the type library this program carries,
// as a page's script reaches it.
#include "control/object/win32/control_object_win.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/win32/handle_win.h"
#include "control/object/win32/fake_container_win.h"

namespace gwax {
namespace {

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
  FakeSite page(L"https://mail.quillpost.com/mail/read.php", nullptr, true);
  auto control = NewControlOn(&page);
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
  // Emptied again first: with files listed, End would ask for a folder.
  EXPECT_EQ(Call(control.Get(), L"StartMultipleDownload", DISPATCH_METHOD, {}), S_OK);
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


TEST_F(ComTest, ClipboardBusyAndAlwaysClosed) {
  FakeSite page(L"https://mail.quillpost.com/mail/read.php", nullptr, true);
  auto control = NewControlOn(&page);
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
  const qp::UniqueHandle opened(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const qp::UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread holder([&] {
    const bool ok = OpenClipboard(nullptr) != FALSE;
    SetEvent(opened.Get());
    WaitForSingleObject(done.Get(), 30000);
    if (ok) CloseClipboard();
  });
  WaitForSingleObject(opened.Get(), 30000);
  EXPECT_EQ(control->PrepareClipboard(host, host, host, host, &keys, &keys, &keys), S_OK);
  EXPECT_EQ(control->BeforePaste(), S_OK);
  EXPECT_EQ(control->AfterPaste(), S_OK);
  SetEvent(done.Get());
  holder.join();
  SysFreeString(host);
}

}  // namespace
}  // namespace gwax
