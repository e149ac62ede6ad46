#include <gtest/gtest.h>

#include <QTest>

#include "hid/platform/virtual_bus.h"
#include "tests/app/form_fixture.h"

namespace {

using ombrel::platform::VirtualHidBus;
using ombrel::platform::VirtualHidDeviceSetup;
using ombrel::platform::VirtualOpen;

class WindowControllerTest : public FormFixture {
 protected:
  WindowControllerTest() { platform = bus; }

  static VirtualHidDeviceSetup Keyboard() {
    VirtualHidDeviceSetup setup;
    setup.Attributes.VendorID = 0x046D;
    setup.Attributes.ProductID = 0xC31C;
    setup.Product = u"USB Keyboard";
    return setup;
  }

  // Runs the event loop until the controller lists `count` devices.
  bool WaitForDevices(int count) {
    return QTest::qWaitFor([&] { return form->JvHidDeviceController1->DeviceCount() == count; }, 5000);
  }

  std::shared_ptr<VirtualHidBus> bus = std::make_shared<VirtualHidBus>();
};

TEST_F(WindowControllerTest, FirstPassRunsOnceTheEventLoopRuns) {
  bus->Plug(Keyboard());
  StartForm();
  EXPECT_EQ(form->JvHidDeviceController1->DeviceCount(), 0);
  ASSERT_TRUE(WaitForDevices(1));
  bus->Plug(Keyboard());
  EXPECT_TRUE(WaitForDevices(2));
  EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(WindowControllerTest, DeviceThatCannotBeMadeIsReportedAndTheListStays) {
  const struct {
    VirtualOpen open;
    bool cannotIdentify;
    const char* text;
  } faults[] = {{VirtualOpen::Refused, false, "Device cannot be opened"},
                {VirtualOpen::Normal, true, "Device cannot be identified"}};
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.text);
    messages.boxes.clear();
    bus = std::make_shared<VirtualHidBus>();
    platform = bus;
    bus->Plug(Keyboard());
    StartForm();
    ASSERT_TRUE(WaitForDevices(1));

    VirtualHidDeviceSetup broken = Keyboard();
    broken.Faults.Open = fault.open;
    broken.Faults.CannotIdentify = fault.cannotIdentify;
    bus->Plug(broken);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.boxes.empty(); }, 5000));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].first, MessageKind::Error);
    EXPECT_EQ(messages.boxes[0].second, QString::fromLatin1(fault.text));
    EXPECT_EQ(form->JvHidDeviceController1->DeviceCount(), 1);
    form.reset();
  }
}

TEST(WindowControllerUnboundTest, UnboundPlatformListsNothingAndSaysNothing) {
  MessageBoxRecorder messages;
  TForm1 form{StartupServices{std::make_unique<FixedLocaleService>(), std::make_unique<MemorySettingStore>(),
                              std::make_unique<MemoryMutexService>(), std::make_unique<FixedVersionService>(std::nullopt)}};
  QTest::qWait(50);
  EXPECT_EQ(form.JvHidDeviceController1->DeviceCount(), 0);
  EXPECT_TRUE(messages.boxes.empty());
}

}  // namespace
