#include "control/object/win32/script_array_win.h"

#include <climits>

#include <dispex.h>

#include <string>

#include "common/win32/variant_win.h"
#include "common/win32/com_ptr_win.h"

namespace gwax {
namespace {

qp::ComPtr<IDispatchEx> ScriptObject(VARIANT* target) {
  if (!target) return nullptr;
  // Through IDispatch an [out] VARIANT may arrive as a reference.
  if (V_VT(target) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(target)) {
    target = V_VARIANTREF(target);
  }
  if (V_VT(target) != VT_DISPATCH || V_DISPATCH(target) == nullptr) return nullptr;
  qp::ComPtr<IDispatchEx> object;
  V_DISPATCH(target)->QueryInterface(__uuidof(IDispatchEx), object.PutVoid());
  return object;
}

qp::UniqueBstr Utf8ToBstr(const std::string& text) {
  if (text.empty()) return qp::UniqueBstr(SysAllocStringLen(L"", 0));
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  qp::UniqueBstr out(SysAllocStringLen(nullptr, static_cast<UINT>(n)));
  if (out && n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.Get(), n);
  }
  return out;
}

bool PutElement(IDispatchEx* array, size_t index, VARIANT* value) {
  const std::wstring name = std::to_wstring(index);
  qp::UniqueBstr bstrName(SysAllocString(name.c_str()));
  if (!bstrName) return false;
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(array->GetDispID(bstrName.Get(), fdexNameEnsure, &id))) return false;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{value, &named, 1, 1};
  return SUCCEEDED(array->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                   nullptr, nullptr, nullptr));
}

}  // namespace

size_t FillScriptArray(VARIANT* target, const std::vector<std::string>& utf8Texts) {
  const qp::ComPtr<IDispatchEx> array = ScriptObject(target);
  if (!array) return 0;
  size_t written = 0;
  for (const auto& text : utf8Texts) {
    qp::UniqueBstr bstr = Utf8ToBstr(text);
    if (!bstr) break;
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = bstr.Get();
    if (!PutElement(array.Get(), written, &value)) break;
    ++written;
  }
  return written;
}

size_t FillScriptArray(VARIANT* target, const std::vector<uint32_t>& numbers) {
  const qp::ComPtr<IDispatchEx> array = ScriptObject(target);
  if (!array) return 0;
  size_t written = 0;
  for (uint32_t n : numbers) {
    VARIANT value;
    VariantInit(&value);
    // Pages read the sizes as VT_INT, a signed 32-bit number; sizes of
    // 2 GiB and more are given as INT_MAX rather than turning negative.
    V_VT(&value) = VT_INT;
    V_INT(&value) = n > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<INT>(n);
    if (!PutElement(array.Get(), written, &value)) break;
    ++written;
  }
  return written;
}

}  // namespace gwax
