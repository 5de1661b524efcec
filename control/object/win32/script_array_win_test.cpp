// Results written into a page's script arrays, against a fake array that
// records each put.
#include "control/object/win32/script_array_win.h"

#include <dispex.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "control/object/win32/fake_container_win.h"

namespace gwax {
namespace {

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
