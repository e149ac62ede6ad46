// Reports through the HID link: a virtual device, its reader and the
// hand-over to a pumped window thread, each figure next to a floor measured
// in the same run (two threads passing one buffer back and forth with a
// mutex and a condition variable).
#include <benchmark/benchmark.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "hid/hid_controller.h"
#include "hid/platform/virtual_bus.h"
#include "hid/pumped_window_thread.h"

namespace {

using ombrel::PumpedWindowThread;
using ombrel::platform::VirtualHidBus;
using ombrel::platform::VirtualHidDevice;

// The floor: one buffer handed from thread to thread and back.
void BM_FloorPingPong(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable changed;
  std::array<std::uint8_t, 65> buffer{};
  int turn = 0;  // 0: main, 1: echo, 2: stop
  std::jthread echo([&] {
    std::unique_lock l(lock);
    for (;;) {
      changed.wait(l, [&] { return turn != 0; });
      if (turn == 2) return;
      buffer[1] ^= 1;
      turn = 0;
      changed.notify_all();
    }
  });
  for (auto _ : state) {
    std::unique_lock l(lock);
    buffer[0] ^= 1;
    turn = 1;
    changed.notify_all();
    changed.wait(l, [&] { return turn == 0; });
  }
  {
    std::lock_guard l(lock);
    turn = 2;
    changed.notify_all();
  }
  state.counters["round_trips_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FloorPingPong)->UseRealTime();

// A unit on the virtual bus, checked out with a handler, and its window thread.
struct Link {
  std::shared_ptr<VirtualHidBus> Bus = std::make_shared<VirtualHidBus>();
  PumpedWindowThread Window;
  std::shared_ptr<VirtualHidDevice> Unit;
  std::unique_ptr<TJvHidDeviceController> Controller;
  TJvHidDevice* Device = nullptr;
  std::uint64_t Handled = 0;
  std::vector<std::uint8_t> Report = std::vector<std::uint8_t>(65, 1);

  explicit Link(std::function<void()> onReport) {
    Unit = Bus->Plug({});
    Controller = std::make_unique<TJvHidDeviceController>(Bus, Window);
    Controller->SetDevThreadSleepTime(10);
    Window.Pump();
    Controller->SetOnDeviceData(
        [this, onReport](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {
          ++Handled;
          if (onReport) onReport();
        });
    Controller->CheckOut(Device);
  }
  ~Link() { Controller.reset(); }
};

// Throughput: the queue is kept filled; every handled report pushes one more.
void BM_ReportsThroughReader(benchmark::State& state) {
  VirtualHidDevice* unit = nullptr;
  std::vector<std::uint8_t> report(65, 1);
  Link link([&] { unit->PushInputReport(report); });
  unit = link.Unit.get();
  for (int i = 0; i < 16; ++i) unit->PushInputReport(report);
  for (auto _ : state) {
    const std::uint64_t target = link.Handled + 1;
    link.Window.PumpUntil([&] { return link.Handled >= target; });
  }
  state.counters["reports_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReportsThroughReader)->UseRealTime();

// Latency: one report in flight, from its push to its handler.
void BM_PushToHandlerLatency(benchmark::State& state) {
  Link link(nullptr);
  std::vector<std::uint8_t> report(65, 2);
  link.Window.PumpUntil([&] { return link.Unit->ReadPending(); });
  for (auto _ : state) {
    const std::uint64_t target = link.Handled + 1;
    link.Unit->PushInputReport(report);
    link.Window.PumpUntil([&] { return link.Handled >= target; });
  }
  state.counters["reports_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PushToHandlerLatency)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
