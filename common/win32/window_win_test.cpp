#include "common/win32/window_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qp {
namespace {

constexpr wchar_t kClass[] = L"QpWindowBaseTest";
constexpr UINT kPing = WM_APP + 1;

class Recorder : public Window {
 public:
  ~Recorder() override { ++*destructions_; }
  explicit Recorder(int* destructions) : destructions_(destructions) {}

  HWND Make() {
    WNDCLASSEXW wc{};
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    if (!RegisterClass(wc)) return nullptr;
    return Create(0, kClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, wc.hInstance);
  }

  std::vector<UINT> pings;
  int destroyedCalls = 0;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kPing) {
      pings.push_back(static_cast<UINT>(wParam));
      return 7;
    }
    return Window::OnMessage(message, wParam, lParam);
  }
  void OnDestroyed() override { ++destroyedCalls; }

 private:
  int* destructions_;
};

TEST(WindowBase, MessagesReachTheObjectUntilTheWindowIsGone) {
  int destructions = 0;
  Recorder recorder(&destructions);
  HWND window = recorder.Make();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(recorder.Handle(), window);
  EXPECT_EQ(SendMessageW(window, kPing, 3, 0), 7);
  EXPECT_EQ(recorder.pings, std::vector<UINT>{3});

  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(recorder.destroyedCalls, 1);
  EXPECT_EQ(recorder.Handle(), nullptr) << "the object must forget a destroyed window";
  EXPECT_FALSE(IsWindow(window));
}

TEST(WindowBase, DestroyingTheObjectDestroysItsWindowWithoutCallingBack) {
  int destructions = 0;
  auto* recorder = new Recorder(&destructions);
  HWND window = recorder->Make();
  ASSERT_NE(window, nullptr);
  delete recorder;
  EXPECT_EQ(destructions, 1);
  EXPECT_FALSE(IsWindow(window)) << "the window outlived its object";
}

TEST(WindowBase, RegisteringAClassTwiceSucceeds) {
  WNDCLASSEXW wc{};
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QpWindowBaseTwice";
  EXPECT_TRUE(Window::RegisterClass(wc));
  EXPECT_TRUE(Window::RegisterClass(wc));
}

}  // namespace
}  // namespace qp
