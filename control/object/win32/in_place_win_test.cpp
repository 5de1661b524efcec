// In-place activation, in a window of the control's own or without one.
#include "control/object/win32/control_object_win.h"

#include <gtest/gtest.h>

#include "control/object/win32/fake_container_win.h"

namespace gwax {
namespace {

TEST_F(ComTest, WindowedActivationMakesTheControlWindow) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"page", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  FakeSite site(L"https://mail.quillpost.com/mail/read.php", parent, false);
  {
    auto control = NewControl();
    auto ole = control.As<IOleObject>(IID_IOleObject);
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    RECT pos{10, 20, 110, 70};
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
    EXPECT_EQ(site.activations, 1);
    auto inPlace = control.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    HWND window = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&window), S_OK);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), parent);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(style & wanted, wanted) << std::hex << style;
    RECT moved{5, 5, 55, 45};
    EXPECT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 50);
    EXPECT_EQ(client.bottom, 40);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
    EXPECT_EQ(site.uiActivations, 1);
    EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(site.deactivations, 1);
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
  }
  EXPECT_EQ(site.refs_, 1u) << "the control let go of its site";
  DestroyWindow(parent);
}

TEST_F(ComTest, WindowlessActivationHasNoWindow) {
  FakeSite site(L"https://mail.quillpost.com/mail/read.php", nullptr, true);
  auto control = NewControl();
  auto ole = control.As<IOleObject>(IID_IOleObject);
  ASSERT_EQ(ole->SetClientSite(&site), S_OK);
  ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(site.windowlessFlags, static_cast<DWORD>(ACTIVATE_WINDOWLESS));
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(control.As<IOleWindow>(IID_IOleWindow)->GetWindow(&window), E_FAIL);
  EXPECT_EQ(window, nullptr);
  // Members still run without a window: the clipboard is opened without owner.
  EXPECT_EQ(control->BeforePaste(), S_OK);
  control.As<IOleInPlaceObject>(IID_IOleInPlaceObject)->InPlaceDeactivate();
  EXPECT_EQ(site.deactivations, 1);
  ole->SetClientSite(nullptr);
}

}  // namespace
}  // namespace gwax
