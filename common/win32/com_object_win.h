// The base of the project's COM objects: one reference count, QueryInterface
// from a table, and IDispatch answered from type information that is loaded
// once.
//
//   class Stream final : public qp::ComObject<Stream, IStream> {
//    public:
//     static constexpr qp::InterfaceEntry<Stream> kInterfaces[] = {
//         QP_INTERFACE(Stream, IUnknown, IStream),
//         QP_INTERFACE(Stream, ISequentialStream, IStream),
//         QP_INTERFACE(Stream, IStream, IStream)};
//     ...
//   };
//
// Objects are made on the heap with one reference, which the creator holds;
// the last Release deletes them.
#pragma once

#include <objbase.h>
#include <oaidl.h>
#include <oleauto.h>

#include <atomic>
#include <mutex>

#include "common/win32/com_ptr_win.h"

namespace qp {

// One row of an object's interface table: an interface id and how to reach
// that interface from the object.
template <typename Object>
struct InterfaceEntry {
  const IID* iid;
  void* (*cast)(Object*);
};

template <typename Object, typename Via>
void* InterfaceOf(Object* object) {
  return static_cast<Via*>(object);
}

// `Interface` is answered by the object's base `Via` (the same interface, or
// one derived from it).
#define QP_INTERFACE(Object, Interface, Via) \
  ::qp::InterfaceEntry<Object> { &IID_##Interface, &::qp::InterfaceOf<Object, Via> }

template <typename Object, typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const InterfaceEntry<Object>& entry : Object::kInterfaces) {
      if (IsEqualIID(iid, *entry.iid)) {
        *object = entry.cast(static_cast<Object*>(this));
        AddRef();
        return S_OK;
      }
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete static_cast<Object*>(this);
    return left;
  }

 protected:
  ComObject() = default;
  ~ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

 private:
  std::atomic<ULONG> references_{1};
};

// The type information of one interface, loaded by `load` on first use and
// kept until Reset (a library resets it before it is unloaded).
class TypeInfoCache {
 public:
  using Loader = HRESULT (*)(ITypeInfo** info);
  explicit TypeInfoCache(Loader load) : load_(load) {}
  TypeInfoCache(const TypeInfoCache&) = delete;
  TypeInfoCache& operator=(const TypeInfoCache&) = delete;

  // A reference for the caller; the loader's failure when it failed.
  HRESULT Get(ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!info_) {
      const HRESULT hr = load_(info_.Put());
      if (FAILED(hr)) return hr;
      if (!info_) return E_FAIL;
    }
    *info = ComPtr<ITypeInfo>::Share(info_.Get()).Detach();
    return S_OK;
  }

  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    info_.Reset();
  }

 private:
  Loader load_;
  std::mutex mutex_;
  ComPtr<ITypeInfo> info_;
};

// A ComObject whose first interface `Dual` derives from IDispatch; its
// IDispatch members are answered from `Object::TypeInfo()`, a
// TypeInfoCache, by the system's type-library dispatch.
template <typename Object, typename Dual, typename... Interfaces>
class DispatchObject : public ComObject<Object, Dual, Interfaces...> {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return Object::TypeInfo().Get(info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    const HRESULT hr = Object::TypeInfo().Get(info.Put());
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(info.Get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    const HRESULT hr = Object::TypeInfo().Get(info.Put());
    if (FAILED(hr)) return hr;
    return DispInvoke(static_cast<Dual*>(this), info.Get(), id, flags, params, result, exception,
                      argError);
  }
};

}  // namespace qp
