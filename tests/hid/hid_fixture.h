// What the HID link tests share: a virtual bus, a window thread the test
// pumps, and a controller on both.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_controller.h"
#include "hid/hid_device.h"
#include "hid/platform/virtual_bus.h"
#include "hid/pumped_window_thread.h"

namespace ombrel::test {

using platform::VirtualHidBus;
using platform::VirtualHidDevice;
using platform::VirtualHidDeviceSetup;

// A unit as the program looks for it, with a product string of choice.
inline VirtualHidDeviceSetup UnitSetup(std::u16string product = u"Pendra",
                                     std::uint16_t vendor = 0x0483,
                                     std::uint16_t productId = 0x5750) {
  VirtualHidDeviceSetup setup;
  setup.Attributes = {12, vendor, productId, 0x0100};
  setup.Product = std::move(product);
  setup.Manufacturer = u"Kolvmark Tovra";
  setup.SerialNumber = u"KT-0001";
  return setup;
}

// The controller's three counters: checked in, checked out, unplugged.
struct Counters {
  int In, Out, Unplugged;
  friend bool operator==(const Counters&, const Counters&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Counters& c) {
    return out << "{in " << c.In << ", out " << c.Out << ", unplugged " << c.Unplugged << "}";
  }
};

class HidLinkTest : public ::testing::Test {
 protected:
  // Declared in this order so the controller goes first, then the window
  // thread, then the bus.
  std::shared_ptr<VirtualHidBus> Bus = std::make_shared<VirtualHidBus>();
  PumpedWindowThread Window;
  std::unique_ptr<TJvHidDeviceController> Controller;

  // Before the derived fixtures' handlers go: destroying the controller
  // still runs them.
  void TearDown() override { Controller.reset(); }

  void MakeController() {
    Controller = std::make_unique<TJvHidDeviceController>(Bus, Window);
    // Short waits keep stopping readers quick.
    Controller->SetDevThreadSleepTime(10);
  }

  // Makes the controller and lets its first pass run.
  void Start() {
    MakeController();
    Window.Pump();
  }

  bool PumpUntil(const std::function<bool()>& done) { return Window.PumpUntil(done); }

  std::shared_ptr<VirtualHidDevice> Plug(VirtualHidDeviceSetup setup = UnitSetup()) {
    return Bus->Plug(std::move(setup));
  }

  // The controller's entry for a virtual device, or null.
  TJvHidDevice* EntryOf(const std::shared_ptr<VirtualHidDevice>& device) const {
    for (int i = 0; i < Controller->DeviceCount(); ++i)
      if (Controller->DeviceAt(i)->PnPInfo().DeviceID() == device->DeviceID())
        return Controller->DeviceAt(i);
    return nullptr;
  }

  std::vector<std::uint32_t> ListedIds() const {
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < Controller->DeviceCount(); ++i)
      ids.push_back(Controller->DeviceAt(i)->PnPInfo().DeviceID());
    return ids;
  }

  Counters Count() const {
    return {Controller->NumCheckedInDevices(), Controller->NumCheckedOutDevices(),
            Controller->NumUnpluggedDevices()};
  }
};

// One delivered input report, as OnData saw it.
struct Delivered {
  TJvHidDevice* Device;
  std::uint8_t ReportID;
  std::vector<std::uint8_t> Data;
  bool OnWindowThread;
};

}  // namespace ombrel::test
