#pragma once

#include <QTest>

#include <memory>
#include <vector>

#include "hid/platform/virtual_bus.h"
#include "protocol/pause.h"
#include "sim/simulated_unit.h"
#include "tests/app/form_fixture.h"

// The window on a virtual bus with simulated units. Pauses between writes
// are recorded instead of waited through.
class UnitFixture : public FormFixture {
 protected:
  UnitFixture() {
    platform = bus;
    previousPause_ = ombrel::SetPauseHook([this](unsigned ms) { pauses.push_back(ms); });
  }
  ~UnitFixture() override {
    form.reset();
    units.clear();
    ombrel::SetPauseHook(std::move(previousPause_));
  }

  ombrel::sim::SimulatedUnit& PlugUnit(const std::string& product, const std::string& serial = "PD0001") {
    ombrel::sim::UnitModelConfig config;
    config.productName = product;
    config.serialNumber = serial;
    units.push_back(std::make_unique<ombrel::sim::SimulatedUnit>(*bus, config));
    return *units.back();
  }

  std::shared_ptr<ombrel::platform::VirtualHidDevice> PlugKeyboard() {
    ombrel::platform::VirtualHidDeviceSpec spec;
    spec.Attributes.VendorID = 0x046D;
    spec.Attributes.ProductID = 0xC31C;
    spec.Caps = ombrel::platform::MakeVirtualCaps(9, 2);
    spec.Product = u"USB Keyboard";
    return bus->Plug(spec);
  }

  // Runs the event loop until `done` holds; false after five seconds.
  template <typename Predicate>
  static bool WaitFor(Predicate done) {
    return QTest::qWaitFor(done, 5000);
  }

  // Runs the event loop until the device box lists `count` entries after a
  // pass of the controller.
  bool WaitForEntries(int count) {
    return WaitFor([&] {
      return form->ComboBox_Choose_device->count() == count && !form->JvHidDeviceController1->InDeviceChange();
    });
  }

  // Runs the event loop until nothing more arrives for a moment.
  static void Settle() { QTest::qWait(100); }

  std::shared_ptr<ombrel::platform::VirtualHidBus> bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  std::vector<std::unique_ptr<ombrel::sim::SimulatedUnit>> units;
  std::vector<unsigned> pauses;

 private:
  ombrel::PauseHook previousPause_;
};

// A read request for `id`, as a 65-byte output report.
inline std::vector<std::uint8_t> ReadRequestReport(std::uint8_t id) {
  std::vector<std::uint8_t> report(65, 0);
  report[0] = 1;
  report[1] = 16;
  report[2] = 1;
  report[3] = id;
  return report;
}
