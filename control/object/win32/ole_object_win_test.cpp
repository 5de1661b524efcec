// The control as an embedded OLE object: quick activation hands it the site.
#include "control/object/win32/control_object_win.h"

#include <gtest/gtest.h>

#include "control/object/win32/fake_container_win.h"

namespace gwax {
namespace {

TEST_F(ComTest, QuickActivationTakesTheSite) {
  auto control = NewControl();
  FakeSite site(L"https://mail.quillpost.com/mail/read.php", nullptr, true);
  QACONTAINER container{};
  container.cbSize = sizeof(container);
  container.pClientSite = &site;
  QACONTROL answer{};
  answer.cbSize = sizeof(answer);
  ASSERT_EQ(control.As<IQuickActivate>(IID_IQuickActivate)->QuickActivate(&container, &answer), S_OK);
  EXPECT_EQ(answer.dwMiscStatus, 0x20191u);
  ComPtr<IOleClientSite> got;
  control.As<IOleObject>(IID_IOleObject)->GetClientSite(got.Put());
  EXPECT_EQ(got.Get(), static_cast<IOleClientSite*>(&site));
  got.Reset();
  control.As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
}

}  // namespace
}  // namespace gwax
