// The hidden top-level window that turns the system's device-node broadcast
// into a device-change pass, under a plain message pump.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "hid/hid_controller.h"
#include "hid/pumped_window_thread.h"
#include "hid/platform/windows/device_change_window.h"
#include "hid/platform/windows/windows_platform.h"
#include "message_pump.h"

namespace plat = ombrel::platform;
using namespace ombrel::platform::windows_hid;
using ombrel::test::BroadcastDeviceChange;
using ombrel::test::PumpMessagesUntil;

namespace {

// Broadcasts from a thread of its own while this thread pumps, as the
// system's broadcast reaches a program's window thread.
void BroadcastWhilePumping(WPARAM kind = 7) {
  std::atomic<bool> sent = false;
  std::jthread sender([&] {
    BroadcastDeviceChange(kind);
    sent = true;
  });
  ASSERT_TRUE(PumpMessagesUntil([&] { return sent.load(); }));
}

TEST(DeviceChangeWindowTest, IsAHiddenTopLevelWindowNotAMessageOnlyOne) {
  auto window = DeviceChangeWindow::OnThisThread([] {});
  ASSERT_TRUE(window);
  EXPECT_TRUE(::IsWindow(window->Handle()));
  EXPECT_FALSE(::IsWindowVisible(window->Handle()));
  EXPECT_EQ(::GetAncestor(window->Handle(), GA_PARENT), ::GetDesktopWindow());
  EXPECT_EQ(::GetWindowThreadProcessId(window->Handle(), nullptr), ::GetCurrentThreadId());
}

TEST(DeviceChangeWindowTest, EachNodesChangedBroadcastCallsBackOnceOtherKindsNever) {
  int calls = 0;
  auto window = DeviceChangeWindow::OnThisThread([&] { ++calls; });
  ASSERT_TRUE(window);
  BroadcastWhilePumping();
  EXPECT_EQ(calls, 1);
  BroadcastWhilePumping(0x8000);  // a single interface's arrival: not acted on
  EXPECT_EQ(calls, 1);
  BroadcastWhilePumping();
  EXPECT_EQ(calls, 2);
}

TEST(DeviceChangeWindowTest, AfterItsDestructionNothingIsCalled) {
  int calls = 0;
  auto window = DeviceChangeWindow::OnThisThread([&] { ++calls; });
  ASSERT_TRUE(window);
  window.reset();
  BroadcastWhilePumping();
  EXPECT_EQ(calls, 0);
}

TEST(DeviceChangeWindowTest, OnItsOwnThreadItNeedsNoPumpFromTheCaller) {
  std::atomic<int> calls = 0;
  auto window = DeviceChangeWindow::OnOwnThread([&] { ++calls; });
  ASSERT_TRUE(window);
  EXPECT_NE(::GetWindowThreadProcessId(window->Handle(), nullptr), ::GetCurrentThreadId());
  BroadcastDeviceChange();  // returns once the window has answered
  EXPECT_EQ(calls.load(), 1);
  window.reset();
  BroadcastDeviceChange();
  EXPECT_EQ(calls.load(), 1);
}

TEST(DeviceChangeWindowTest, OnItsOwnThreadItIsStartedAndStoppedAgainAndAgainFromSeveralThreads) {
  // Each start hands the new thread's result back to a starter that returns
  // at once and is gone by the time that thread has let go of the hand-over;
  // several starters at once make every interleaving likelier.
  std::atomic<int> made = 0;
  std::atomic<int> calls = 0;
  {
    std::vector<std::jthread> starters;
    for (int t = 0; t < 4; ++t)
      starters.emplace_back([&] {
        for (int i = 0; i < 50; ++i) {
          auto window = DeviceChangeWindow::OnOwnThread([&] { ++calls; });
          if (window && ::IsWindow(window->Handle())) ++made;
        }
      });
  }
  EXPECT_EQ(made.load(), 200);
  calls = 0;
  auto window = DeviceChangeWindow::OnOwnThread([&] { ++calls; });
  ASSERT_TRUE(window);
  BroadcastDeviceChange();
  EXPECT_EQ(calls.load(), 1) << "the one still standing answers";
}

TEST(DeviceChangeWindowTest, ABroadcastMakesTheControllersWindowPostExactlyOnePass) {
  ombrel::PumpedWindowThread window;
  auto platform = std::make_shared<WindowsHidPlatform>();
  int changes = 0;
  TJvHidDeviceController controller(platform, window, nullptr,
                                    [&](TJvHidDeviceController*) { ++changes; });
  ASSERT_TRUE(window.PumpUntil([&] { return changes == 1; }));
  const int listed = controller.DeviceCount();
  ASSERT_EQ(window.PendingPosts(), 0u);
  BroadcastWhilePumping();
  EXPECT_EQ(window.PendingPosts(), 1u) << "one pass posted to the window thread";
  window.Pump();
  EXPECT_EQ(window.PendingPosts(), 0u);
  // Nothing changed for HID interfaces: the pass fires nothing.
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(controller.DeviceCount(), listed);
}

}  // namespace
