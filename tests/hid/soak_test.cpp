#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "hid_fixture.h"

namespace ombrel::test {
namespace {

class SoakTest : public HidLinkTest {};

// A unit streams input reports from a thread of its own while the window
// thread checks it out and in, releases it, and while it is unplugged and
// plugged again from a third thread. No report may reach a cleared
// handler or a checked-in device, and nothing may hang.
TEST_F(SoakTest, StreamingSurvivesCheckOutCheckInReleaseAndReplug) {
  std::mutex unitLock;
  std::shared_ptr<VirtualHidDevice> unit = Plug();
  auto current = [&] {
    std::lock_guard lock(unitLock);
    return unit;
  };
  Start();

  std::atomic<bool> done = false;
  std::jthread pusher([&] {
    std::uint8_t n = 0;
    while (!done) {
      if (auto u = current()) u->PushInputReport(std::vector<std::uint8_t>(65, ++n));
      std::this_thread::yield();
    }
  });

  bool handlerLive = false;  // window thread only
  int delivered = 0;
  int stray = 0;
  TJvHidDataEvent handler = [&](TJvHidDevice* dev, std::uint8_t, const std::uint8_t*,
                                std::uint16_t size) {
    if (!handlerLive || !dev->IsCheckedOut() || size != 64) ++stray;
    ++delivered;
  };

  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE(round);
    handlerLive = true;
    Controller->SetOnDeviceData(handler);
    TJvHidDevice* dev = nullptr;
    ASSERT_TRUE(Controller->CheckOutByID(dev, 0x0483, 0x5750));
    const int before = delivered;
    ASSERT_TRUE(PumpUntil([&] { return delivered > before; }));
    switch (round % 3) {
      case 0:
        Controller->CheckIn(dev);
        break;
      case 1:
        dev->Free();
        break;
      case 2: {
        std::atomic<bool> plugged = false;
        std::jthread plugger([&] {
          auto old = current();
          {
            std::lock_guard lock(unitLock);
            unit.reset();
          }
          old->Unplug();
          auto fresh = Bus->Plug(UnitSetup());
          {
            std::lock_guard lock(unitLock);
            unit = fresh;
          }
          plugged = true;
        });
        ASSERT_TRUE(PumpUntil([&] {
          return plugged && !dev->IsPluggedIn() && EntryOf(current()) != nullptr;
        }));
        Controller->CheckIn(dev);
        break;
      }
    }
    Controller->SetOnDeviceData(nullptr);
    handlerLive = false;
    Window.Pump();
    EXPECT_EQ(Count(), (Counters{1, 0, 0}));
  }
  done = true;
  pusher.join();
  Window.Pump();
  EXPECT_EQ(stray, 0);
  EXPECT_GE(delivered, 150);
}

}  // namespace
}  // namespace ombrel::test
