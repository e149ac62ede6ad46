#pragma once

#include <QTest>

#include <memory>
#include <vector>

#include "hid/platform/virtual_bus.h"
#include "protocol/framing.h"
#include "protocol/pause.h"
#include "sim/simulated_unit.h"
#include "tests/app/form_fixture.h"

// The window on a virtual bus with simulated units. Pauses between writes
// are recorded instead of waited through.
class UnitFixture : public FormFixture {
 protected:
  UnitFixture() {
    platform = bus;
    previousPause_ = ombrel::SetPauseHook([this](unsigned ms) {
      pauses.push_back(ms);
      std::size_t written = 0;
      for (const auto& unit : units) written += unit->Device().OutputReportCount();
      pauseMarks.emplace_back(ms, written);
    });
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
    ombrel::platform::VirtualHidDeviceSetup setup;
    setup.Attributes.VendorID = 0x046D;
    setup.Attributes.ProductID = 0xC31C;
    setup.Caps = ombrel::platform::MakeVirtualCaps(9, 2);
    setup.Product = u"USB Keyboard";
    return bus->Plug(setup);
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

  // Starts the window with the status poll stopped, so that only the test
  // writes to the units.
  TForm1& StartQuietForm() {
    TForm1& f = StartForm();
    f.Timer3->stop();
    return f;
  }

  // Starts the window with one unit listed and selected, its serial number
  // read, and the status poll stopped so that only the test writes.
  ombrel::sim::SimulatedUnit& StartWithQuietUnit(const std::string& product = "Pendra DUO") {
    auto& unit = PlugUnit(product, "PD42");
    StartQuietForm();
    EXPECT_TRUE(WaitForEntries(1));
    EXPECT_TRUE(WaitFor([&] { return form->Label_Serial_number->text() == QStringLiteral("PD42"); }));
    return unit;
  }

  // The output reports a unit received from index `from` on.
  static std::vector<std::vector<std::uint8_t>> WrittenSince(ombrel::sim::SimulatedUnit& unit, std::size_t from) {
    auto all = unit.Device().OutputReports();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
  }

  // Runs the event loop until nothing more arrives for a moment.
  static void Settle() { QTest::qWait(100); }

  std::shared_ptr<ombrel::platform::VirtualHidBus> bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  std::vector<std::unique_ptr<ombrel::sim::SimulatedUnit>> units;
  std::vector<unsigned> pauses;
  // Each pause with the number of output reports written before it.
  std::vector<std::pair<unsigned, std::size_t>> pauseMarks;

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

// The output reports of one parameter write to a unit with 65-byte reports.
inline std::vector<std::vector<std::uint8_t>> Frames(std::uint8_t id, std::u16string_view value) {
  return ombrel::FrameParameter(id, value, 65);
}

// The reports of several writes, in order.
inline std::vector<std::vector<std::uint8_t>> Concat(
    std::initializer_list<std::vector<std::vector<std::uint8_t>>> writes) {
  std::vector<std::vector<std::uint8_t>> all;
  for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
  return all;
}

inline std::u16string Byte(std::uint8_t value) { return std::u16string(1, char16_t(value)); }
inline std::u16string Octets(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return {char16_t(a), char16_t(b), char16_t(c), char16_t(d)};
}
