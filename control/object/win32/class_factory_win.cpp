#include "control/object/win32/class_factory_win.h"

#include <new>

#include "common/win32/com_object_win.h"
#include "control/object/win32/control_object_win.h"
#include "control/object/win32/module_win.h"

namespace gwax {
namespace {

class ClassFactory final : public qp::ComObject<ClassFactory, IClassFactory> {
 public:
  static constexpr qp::InterfaceEntry<ClassFactory> kInterfaces[] = {
      QP_INTERFACE(ClassFactory, IUnknown, IClassFactory),
      QP_INTERFACE(ClassFactory, IClassFactory, IClassFactory)};

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto control = qp::ComPtr<IGatherwick>::Adopt(new (std::nothrow) GatherwickControl());
    if (!control) return E_OUTOFMEMORY;
    return control->QueryInterface(iid, object);
  }

  // A server lock keeps the library loaded like a live object does.
  STDMETHODIMP LockServer(BOOL lock) override {
    lock ? ModuleAddRef() : ModuleRelease();
    return S_OK;
  }

 private:
  ModuleReference module_;
};

}  // namespace

HRESULT GetGatherwickClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_Gatherwick) return CLASS_E_CLASSNOTAVAILABLE;
  auto factory = qp::ComPtr<IClassFactory>::Adopt(new (std::nothrow) ClassFactory());
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(iid, object);
}

}  // namespace gwax
