// The class factory and the interfaces of the object it makes, with the
// library's count of live objects and locks.
#include "control/object/win32/class_factory_win.h"

#include <dispex.h>
#include <objsafe.h>

#include <gtest/gtest.h>

#include "control/object/win32/fake_container_win.h"
#include "control/object/win32/module_win.h"

namespace gwax {
namespace {

TEST_F(ComTest, FactoryAndInterfaces) {
  EXPECT_FALSE(ModuleInUse());
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(GetGatherwickClassObject(IID_IGatherwick, IID_IClassFactory, factory.PutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(GetGatherwickClassObject(CLSID_Gatherwick, IID_IClassFactory, factory.PutVoid()), S_OK);
  ComPtr<IUnknown> object;
  IUnknown* outer = factory.Get();
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, object.PutVoid()), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid()), S_OK);
  factory.Reset();
  EXPECT_TRUE(ModuleInUse()) << "a live object keeps the library";

  const IID answered[] = {
      IID_IDispatch, IID_IGatherwick, IID_IViewObjectEx, IID_IViewObject2, IID_IViewObject,
      IID_IOleInPlaceObjectWindowless, IID_IOleInPlaceObject, IID_IOleWindow,
      IID_IOleInPlaceActiveObject, IID_IOleControl, IID_IOleObject, IID_IPersistStreamInit,
      IID_IPersistStorage, IID_IPersist, IID_ISpecifyPropertyPages, IID_IQuickActivate,
      IID_IDataObject, IID_IProvideClassInfo2, IID_IProvideClassInfo, IID_ISupportErrorInfo,
      IID_IObjectWithSite};
  for (const IID& iid : answered) {
    ComPtr<IUnknown> as;
    EXPECT_EQ(object->QueryInterface(iid, as.PutVoid()), S_OK) << "interface " << &iid - answered;
    ComPtr<IUnknown> identity;
    if (as) as->QueryInterface(IID_IUnknown, identity.PutVoid());
    EXPECT_EQ(identity.Get(), object.Get()) << "identity through " << &iid - answered;
  }
  const IID refused[] = {IID_IObjectSafety, IID_IConnectionPointContainer, IID_IPersistPropertyBag,
                         __uuidof(IDispatchEx), IID_IClassFactory};
  for (const IID& iid : refused) {
    void* as = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(iid, &as), E_NOINTERFACE) << "interface " << &iid - refused;
    EXPECT_EQ(as, nullptr);
  }
  object.Reset();
  EXPECT_FALSE(ModuleInUse());

  ASSERT_EQ(GetGatherwickClassObject(CLSID_Gatherwick, IID_IClassFactory, factory.PutVoid()), S_OK);
  factory->LockServer(TRUE);
  factory.Reset();
  EXPECT_TRUE(ModuleInUse()) << "a server lock keeps the library";
  ASSERT_EQ(GetGatherwickClassObject(CLSID_Gatherwick, IID_IClassFactory, factory.PutVoid()), S_OK);
  factory->LockServer(FALSE);
  factory.Reset();
  EXPECT_FALSE(ModuleInUse());
}
}  // namespace
}  // namespace gwax
