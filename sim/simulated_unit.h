// A simulated unit plugged into the virtual HID bus: the unit model behind
// a virtual HID interface with the unit's identity and 65-byte reports.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "hid/platform/virtual_bus.h"
#include "sim/unit_model.h"

namespace ombrel::sim {

class SimulatedUnit {
 public:
  // Plugs the unit into `bus` at once; the bus announces the arrival.
  SimulatedUnit(platform::VirtualHidBus& bus, UnitModelConfig config = {});
  // Unplugs it and stops answering.
  ~SimulatedUnit();
  SimulatedUnit(const SimulatedUnit&) = delete;
  SimulatedUnit& operator=(const SimulatedUnit&) = delete;

  UnitModel& Model() { return model_; }
  platform::VirtualHidDevice& Device() { return *device_; }
  const std::shared_ptr<platform::VirtualHidDevice>& DevicePointer() const { return device_; }

  // Unplugs the unit (the object stays until destroyed).
  void Unplug();

 private:
  struct Pending {
    std::chrono::steady_clock::time_point due;
    std::vector<std::uint8_t> report;
  };

  void Answer(std::span<const std::uint8_t> report);
  void DeliverLater(std::stop_token stop);

  UnitModel model_;
  platform::VirtualHidBus& bus_;
  std::shared_ptr<platform::VirtualHidDevice> device_;

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<Pending> pending_;
  // Last member: stopped and joined before the rest goes.
  std::jthread courier_;
};

}  // namespace ombrel::sim
