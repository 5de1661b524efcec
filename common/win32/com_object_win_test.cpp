#include "common/win32/com_object_win.h"

#include <gtest/gtest.h>

#include <ocidl.h>

namespace qp {
namespace {

// A dual interface of one method, described below by hand, so that the
// dispatch base has something real to invoke.
struct ITwice : IDispatch {
  // Described as returning its value directly, as CreateDispTypeInfo can.
  virtual LONG STDMETHODCALLTYPE Twice(LONG value) = 0;
};
const IID IID_ITwice = {0x6e0c3a4d, 0x1f2b, 0x4c55, {0x9a, 0x61, 0x2b, 0x3c, 0x4d, 0x5e, 0x6f, 0x70}};

int g_loads = 0;
HRESULT g_loadResult = S_OK;

HRESULT LoadTwiceTypeInfo(ITypeInfo** info) {
  ++g_loads;
  if (FAILED(g_loadResult)) return g_loadResult;
  static PARAMDATA parameter = {const_cast<OLECHAR*>(L"value"), VT_I4};
  static METHODDATA method = {const_cast<OLECHAR*>(L"Twice"), &parameter, 1, 7, CC_STDCALL, 1,
                              DISPATCH_METHOD, VT_I4};
  static INTERFACEDATA data = {&method, 1};
  ComPtr<ITypeInfo> made;
  HRESULT hr = CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, made.Put());
  if (FAILED(hr)) return hr;
  // Wine describes the interface as the one a class implements.
  TYPEATTR* attributes = nullptr;
  if (FAILED(made->GetTypeAttr(&attributes))) return E_FAIL;
  const bool coclass = attributes->typekind == TKIND_COCLASS;
  made->ReleaseTypeAttr(attributes);
  if (!coclass) {
    *info = made.Detach();
    return S_OK;
  }
  HREFTYPE implemented = 0;
  hr = made->GetRefTypeOfImplType(0, &implemented);
  return FAILED(hr) ? hr : made->GetRefTypeInfo(implemented, info);
}

int g_destroyed = 0;

class TwiceObject final : public DispatchObject<TwiceObject, ITwice, IPersist> {
 public:
  static constexpr InterfaceEntry<TwiceObject> kInterfaces[] = {
      QP_INTERFACE(TwiceObject, IUnknown, ITwice), QP_INTERFACE(TwiceObject, IDispatch, ITwice),
      QP_INTERFACE(TwiceObject, ITwice, ITwice), QP_INTERFACE(TwiceObject, IPersist, IPersist)};

  static TypeInfoCache& TypeInfo() {
    static TypeInfoCache cache(&LoadTwiceTypeInfo);
    return cache;
  }

  ~TwiceObject() { ++g_destroyed; }

  LONG STDMETHODCALLTYPE Twice(LONG value) override { return value * 2; }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
    *id = IID_ITwice;
    return S_OK;
  }
};

class ComObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_loads = 0;
    g_loadResult = S_OK;
    g_destroyed = 0;
    TwiceObject::TypeInfo().Reset();
  }
  void TearDown() override { TwiceObject::TypeInfo().Reset(); }

  // Calls Twice by name through IDispatch; the HRESULT of Invoke.
  static HRESULT InvokeTwice(IDispatch* object, LONG value, LONG* result) {
    OLECHAR* name = const_cast<OLECHAR*>(L"Twice");
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_I4;
    V_I4(&argument) = value;
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    VARIANT answer;
    VariantInit(&answer);
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &answer,
                        nullptr, nullptr);
    if (SUCCEEDED(hr)) *result = V_I4(&answer);
    VariantClear(&answer);
    return hr;
  }
};

TEST_F(ComObjectTest, QueryInterfaceAnswersFromTheTableAndNullsTheOutOnRefusal) {
  auto* object = new TwiceObject();
  ComPtr<ITwice> owner = ComPtr<ITwice>::Adopt(object);

  ComPtr<IUnknown> fromTwice, fromPersist;
  ASSERT_EQ(owner->QueryInterface(IID_IUnknown, fromTwice.PutVoid()), S_OK);
  auto persist = owner.As<IPersist>(IID_IPersist);
  ASSERT_TRUE(persist);
  ASSERT_EQ(persist->QueryInterface(IID_IUnknown, fromPersist.PutVoid()), S_OK);
  EXPECT_EQ(fromTwice.Get(), fromPersist.Get()) << "IUnknown must be the same from every interface";
  EXPECT_EQ(static_cast<IPersist*>(object), persist.Get());

  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(owner->QueryInterface(IID_IStream, &refused), E_NOINTERFACE);
  EXPECT_EQ(refused, nullptr) << "a refused interface must null the out-parameter";
  EXPECT_EQ(owner->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ComObjectTest, TheLastReleaseDeletesTheObject) {
  auto* object = new TwiceObject();
  EXPECT_EQ(object->AddRef(), 2u);
  ComPtr<IPersist> persist = ComPtr<ITwice>::Share(object).As<IPersist>(IID_IPersist);
  EXPECT_EQ(object->Release(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(g_destroyed, 0);
  persist.Reset();
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(ComObjectTest, DispatchInvokesThroughTypeInformationLoadedOnce) {
  ComPtr<ITwice> object = ComPtr<ITwice>::Adopt(new TwiceObject());
  LONG result = 0;
  ASSERT_EQ(InvokeTwice(object.Get(), 21, &result), S_OK);
  EXPECT_EQ(result, 42);
  ASSERT_EQ(InvokeTwice(object.Get(), -4, &result), S_OK);
  EXPECT_EQ(result, -8);
  ComPtr<ITwice> second = ComPtr<ITwice>::Adopt(new TwiceObject());
  ASSERT_EQ(InvokeTwice(second.Get(), 1, &result), S_OK);
  EXPECT_EQ(g_loads, 1) << "type information must be loaded once, not per call or per object";

  UINT count = 0;
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(object->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
  OLECHAR* name = const_cast<OLECHAR*>(L"Twice");
  DISPID id = 0;
  EXPECT_EQ(object->GetIDsOfNames(IID_IUnknown, &name, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(ComObjectTest, AFailedLoadIsReportedAndTriedAgainLater) {
  ComPtr<ITwice> object = ComPtr<ITwice>::Adopt(new TwiceObject());
  g_loadResult = TYPE_E_CANTLOADLIBRARY;
  LONG result = 0;
  EXPECT_EQ(InvokeTwice(object.Get(), 1, &result), TYPE_E_CANTLOADLIBRARY);
  g_loadResult = S_OK;
  EXPECT_EQ(InvokeTwice(object.Get(), 5, &result), S_OK);
  EXPECT_EQ(result, 10);
  EXPECT_EQ(g_loads, 2);
}

}  // namespace
}  // namespace qp
