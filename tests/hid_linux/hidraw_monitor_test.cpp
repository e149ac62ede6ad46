// The hot-plug monitor when its udev socket fails: it must keep the
// listing right and never go quiet. Faults are put between the monitor and
// libudev by a copy of the bound functions with some of them replaced.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hid/platform/linux/hidraw_monitor.h"
#include "tests/hid/wait_until.h"
#include "tests/hid_linux/mock_hidraw.h"

namespace ombrel::test {
namespace {

using platform::linux_hid::HidrawMonitor;
using platform::linux_hid::UdevApi;

// What the replaced functions do; plain functions can't carry it.
struct Faults {
  static inline std::shared_ptr<const UdevApi> Real;
  static inline std::atomic<int> BrokenSockets{0};    // fds handed out that poll as failed
  static inline std::atomic<int> Overruns{0};         // events swallowed with ENOBUFS
  // Monitors made so far, and the ones refused: calls RefuseFrom to
  // RefuseFrom + Refused - 1 (the first call is the start's own).
  static inline std::atomic<int> MonitorCalls{0};
  static inline int RefuseFrom = 0, Refused = 0;
  static inline int BrokenEnd = -1;  // a pipe's write end whose read end is closed

  static int GetFd(udev_monitor* monitor) {
    if (BrokenSockets > 0) {
      --BrokenSockets;
      return BrokenEnd;
    }
    return Real->udev_monitor_get_fd(monitor);
  }
  static udev_device* Receive(udev_monitor* monitor) {
    if (Overruns > 0) {
      if (udev_device* lost = Real->udev_monitor_receive_device(monitor)) {
        --Overruns;
        Real->udev_device_unref(lost);
        errno = ENOBUFS;
        return nullptr;
      }
    }
    return Real->udev_monitor_receive_device(monitor);
  }
  static udev_monitor* NewMonitor(udev* context, const char* name) {
    const int call = ++MonitorCalls;
    if (call >= RefuseFrom && call < RefuseFrom + Refused) {
      errno = EMFILE;
      return nullptr;
    }
    return Real->udev_monitor_new_from_netlink(context, name);
  }
};

class HidrawMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UmockdevPreloadActive()) GTEST_SKIP() << kNoUmockdevPreload;
    Bed = std::make_unique<MockBed>();
    Faults::Real = UdevApi::Load();
    ASSERT_NE(Faults::Real, nullptr);
    auto faulty = std::make_shared<UdevApi>(*Faults::Real);
    faulty->udev_monitor_get_fd = &Faults::GetFd;
    faulty->udev_monitor_receive_device = &Faults::Receive;
    faulty->udev_monitor_new_from_netlink = &Faults::NewMonitor;
    Api = faulty;
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    Faults::BrokenEnd = ends[1];
  }
  void TearDown() override {
    Monitor.reset();
    Faults::BrokenSockets = 0;
    Faults::Overruns = 0;
    Faults::MonitorCalls = 0;
    Faults::RefuseFrom = Faults::Refused = 0;
    if (Faults::BrokenEnd >= 0) ::close(Faults::BrokenEnd);
    Faults::BrokenEnd = -1;
    Faults::Real.reset();
  }

  void StartMonitor() {
    Monitor = HidrawMonitor::Start(Api, [this] { ++Changes; }, std::chrono::milliseconds(5));
    ASSERT_NE(Monitor, nullptr);
  }

  // A unit plugged in after `before` changes were told is told too.
  ::testing::AssertionResult PlugIsNoticed(int hidraw) {
    const int before = Changes;
    if (auto added = Bed->Add(MockUnit(hidraw, "000" + std::to_string(hidraw + 1),
                                       "1-" + std::to_string(hidraw + 1)));
        !added)
      return added;
    if (WaitUntil([&] { return Changes > before; })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "a plug-in went unnoticed";
  }

  std::unique_ptr<MockBed> Bed;
  std::shared_ptr<const UdevApi> Api;
  std::unique_ptr<HidrawMonitor> Monitor;
  std::atomic<int> Changes{0};
};

TEST_F(HidrawMonitorTest, TellsOfAPlugIn) {
  StartMonitor();
  EXPECT_TRUE(PlugIsNoticed(0));
}

TEST_F(HidrawMonitorTest, AFailedSocketIsMadeAgainAfterAPassAndLaterPlugsAreNoticed) {
  Faults::BrokenSockets = 1;  // the first poll fails
  StartMonitor();
  ASSERT_TRUE(WaitUntil([&] { return Changes >= 1; })) << "the failure went unanswered";
  EXPECT_TRUE(PlugIsNoticed(0));
  EXPECT_TRUE(PlugIsNoticed(1));
}

TEST_F(HidrawMonitorTest, AMonitorThatCannotBeMadeAgainIsRetriedWithAPassEachTime) {
  Faults::BrokenSockets = 1;
  Faults::RefuseFrom = 2;
  Faults::Refused = 3;
  StartMonitor();
  // A pass at each attempt: three refused, then the one that made it.
  ASSERT_TRUE(WaitUntil([&] { return Faults::MonitorCalls >= 5 && Changes >= 4; }));
  EXPECT_TRUE(PlugIsNoticed(0));
}

TEST_F(HidrawMonitorTest, EventsLostToAnOverrunStillCauseAPass) {
  StartMonitor();
  Faults::Overruns = 1;
  EXPECT_TRUE(PlugIsNoticed(0)) << "the plug-in lost to the overrun";
  EXPECT_EQ(Faults::Overruns, 0) << "the overrun did not happen";
  EXPECT_TRUE(PlugIsNoticed(1));
}

}  // namespace
}  // namespace ombrel::test
