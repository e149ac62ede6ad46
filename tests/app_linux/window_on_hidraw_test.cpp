// The window on the Linux backend: the unit's hidraw node lives in a
// umockdev test bed and the simulated unit answers on the node's other end.
#include <gtest/gtest.h>

// GLib's headers before Qt's: Qt defines `signals` as a keyword, which GLib
// uses as a name.
#include "tests/hid_linux/mock_hidraw.h"
#include "tests/hid_linux/platform_with_hook.h"
#include "tests/hid_linux/unit_on_node.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "app/control_colours.h"
#include "app/jv_ip_address.h"
#include "app/jv_time_edit.h"
#include "hid/platform/native_platform.h"
#include "protocol/parameter_ids.h"
#include "protocol/read_back_walk.h"
#include "sim/unit_model.h"
#include "tests/app/form_fixture.h"

namespace {

using ombrel::test::Bytes;
using ombrel::test::MockBed;
using ombrel::test::MockHidInterface;
using ombrel::test::UnitOnNode;

MockHidInterface PendraDuoNode(int hidraw = 0, const std::string& instance = "0001",
                               const std::string& port = "1-1") {
  MockHidInterface m = ombrel::test::MockUnit(hidraw, instance, port);
  m.Usb->Product = "Pendra DUO";
  return m;
}

// A read request for `id`, as the window writes it: report ID, parameter 16,
// one value byte, the requested ID, zeros to the full 65 bytes.
Bytes ReadRequest(std::uint8_t id) {
  Bytes report(65, 0);
  report[0] = 0x01;
  report[1] = 0x10;
  report[2] = 0x01;
  report[3] = id;
  return report;
}

ombrel::sim::UnitModelConfig PendraDuoConfig() {
  ombrel::sim::UnitModelConfig config;
  config.productName = "Pendra DUO";
  config.serialNumber = "PD77";
  return config;
}

class WindowOnHidrawTest : public FormFixture {
 protected:
  void SetUp() override {
    if (!ombrel::test::UmockdevPreloadActive()) GTEST_SKIP() << ombrel::test::kNoUmockdevPreload;
    bed = std::make_unique<MockBed>();
    ASSERT_TRUE(bed->Add(unitNode));
    ASSERT_TRUE(bed->Add(ombrel::test::MockKeyboard()));
    platform = ombrel::platform::MakeNativeHidPlatform();
  }

  // The window and its readers go first, then whoever plays the node, then
  // the bed the node lives in.
  ~WindowOnHidrawTest() override {
    form.reset();
    unit.reset();
    bed.reset();
  }

  void PlayUnitOn(const MockHidInterface& node) { unit.emplace(model, bed->DeviceEnd(node)); }

  // Runs the event loop until `done` holds; false after a limit meant for
  // hangs, not for pace.
  template <typename Predicate>
  static bool WaitFor(Predicate done) {
    return QTest::qWaitFor(done, 20000);
  }

  bool WaitForEntries(int count) {
    return WaitFor([&] {
      return form->ComboBox_Choose_device->count() == count && !form->JvHidDeviceController1->InDeviceChange();
    });
  }

  bool WaitForSerial() {
    return WaitFor([&] { return form->Label_Serial_number->text() == QStringLiteral("PD77"); });
  }

  // The IDs the window asked for with read requests, in order.
  std::vector<std::uint8_t> RequestedIds() const {
    std::vector<std::uint8_t> ids;
    for (const auto& report : model.OutputLog())
      if (report.size() > 3 && report[1] == Param_Read_request) ids.push_back(report[3]);
    return ids;
  }

  const MockHidInterface unitNode = PendraDuoNode();
  std::unique_ptr<MockBed> bed;
  ombrel::sim::UnitModel model{PendraDuoConfig()};
  std::optional<UnitOnNode> unit;
};

TEST_F(WindowOnHidrawTest, UnitIsListedSelectedAndAskedForItsSerialNumberOnTheNode) {
  TForm1& f = StartForm();
  ASSERT_TRUE(WaitForEntries(1));
  EXPECT_EQ(f.ComboBox_Choose_device->itemText(0), QStringLiteral("1. Pendra DUO"));
  EXPECT_EQ(f.ComboBox_Choose_device->currentIndex(), 0);
  EXPECT_EQ(BackgroundColour(f.ComboBox_Choose_device), kStateGreen);
  EXPECT_TRUE(f.ComboBox_Choose_device->toolTip().isEmpty()) << "the node opened for reading and writing";
  ASSERT_NE(CurrentDevice, nullptr);
  EXPECT_FALSE(f.Panel_Direction_Fan_DUO->isHidden());
  EXPECT_EQ(f.JvHidDeviceController1->NumCheckedOutDevices(), 1);
  EXPECT_EQ(f.JvHidDeviceController1->NumCheckedInDevices(), 1);  // the keyboard, listed but not taken

  // The request as it arrives on the device's end of the node.
  const int end = bed->DeviceEnd(unitNode);
  const Bytes request = ombrel::test::ReadFromDeviceEnd(end, 65);
  EXPECT_EQ(request, ReadRequest(Param_Serial_number));

  // The unit answers it; the answer comes back through the node and the reader.
  PlayUnitOn(unitNode);
  model.HandleOutputReport(request);
  ASSERT_TRUE(WaitForSerial());
  const auto ids = RequestedIds();
  EXPECT_EQ(std::count(ids.begin(), ids.end(), Param_Serial_number), 1) << "asked for the serial number again";
}

TEST_F(WindowOnHidrawTest, ReadBackWalkRunsOverTheNodeAndFillsTheControls) {
  model.SetByte(Param_Device_mode, 0);
  model.SetByte(Param_Type_of_connection, 2);
  model.SetText(Param_Wi_Fi_name, "Home-Net");
  model.SetByte(Param_IP_Slave_mode, 0);
  model.SetAddress(Param_IP_Slave, {10, 0, 0, 7});
  model.SetSeconds(Param_Timer_night_mode, 86340);
  model.SetAddress(Param_Gateway, {10, 0, 0, 254});
  PlayUnitOn(unitNode);

  TForm1& f = StartForm();
  ASSERT_TRUE(WaitForEntries(1));
  ASSERT_TRUE(WaitForSerial());
  ASSERT_FALSE(f.RadioButton_slave->isChecked());
  ASSERT_NE(f.JvGateway->Text(), QStringLiteral("10.0.0.254"));

  QTest::mouseClick(f.Button_Get_current_parameters, Qt::LeftButton);
  // The gateway's answer is the walk's last.
  ASSERT_TRUE(WaitFor([&] { return f.JvGateway->Text() == QStringLiteral("10.0.0.254"); }));

  EXPECT_TRUE(f.RadioButton_slave->isChecked());
  EXPECT_TRUE(f.RadioButton_with_router->isChecked());
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QStringLiteral("Home-Net"));
  EXPECT_EQ(f.ComboBox_IP_Slave->currentText(), QStringLiteral("Static"));
  EXPECT_EQ(f.JvIPAddress_IP_Slave->Text(), QStringLiteral("10.0.0.7"));
  EXPECT_EQ(f.JvTimeEdit_Timer_night_mode->text(), QStringLiteral("23:59"));
  EXPECT_TRUE(messages.boxes.empty());

  // Every step once, in order, among the status poll's requests.
  std::vector<std::uint8_t> walked, order;
  for (std::uint8_t id : RequestedIds())
    if (ombrel::IsReadBackParameter(id)) walked.push_back(id);
  for (const auto& step : ombrel::ReadBackSteps()) order.push_back(step.answer);
  EXPECT_EQ(walked, order);
}

TEST_F(WindowOnHidrawTest, UnitRemovedWhileRunningLeavesTheWindowWithoutAUnitAndComesBackWhenPlugged) {
  PlayUnitOn(unitNode);
  TForm1& f = StartForm();
  ASSERT_TRUE(WaitForEntries(1));
  ASSERT_TRUE(WaitForSerial());

  // Nobody plays a node that is going away.
  unit.reset();
  bed->Remove(unitNode);
  ASSERT_TRUE(WaitFor([&] {
    return CurrentDevice == nullptr && f.ComboBox_Choose_device->count() == 0 &&
           !f.JvHidDeviceController1->InDeviceChange();
  }));
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), QStringLiteral("   No devices"));
  EXPECT_EQ(BackgroundColour(f.ComboBox_Choose_device), kStateRed);
  EXPECT_EQ(f.Label_Serial_number->text(), QString());
  EXPECT_EQ(f.JvHidDeviceController1->DeviceCount(), 1);  // the keyboard stays
  EXPECT_EQ(f.JvHidDeviceController1->NumCheckedOutDevices(), 0);
  EXPECT_TRUE(messages.boxes.empty());

  // Plugged in again elsewhere: a new node, listed, selected and asked afresh.
  const MockHidInterface again = PendraDuoNode(2, "0003", "1-3");
  ASSERT_TRUE(bed->Add(again));
  PlayUnitOn(again);
  ASSERT_TRUE(WaitForEntries(1));
  ASSERT_TRUE(WaitForSerial());
  EXPECT_EQ(f.ComboBox_Choose_device->itemText(0), QStringLiteral("1. Pendra DUO"));
  EXPECT_NE(CurrentDevice, nullptr);
}

// The unit is pulled out just as a pass has listed it: the pass can no
// longer open it. That is an unplug like any other, not an error box.
TEST_F(WindowOnHidrawTest, UnitPulledOutWhileAPassReadsItShowsNoBox) {
  auto hooked = std::make_shared<ombrel::test::PlatformWithHook>();
  platform = hooked;
  PlayUnitOn(unitNode);
  TForm1& f = StartForm();
  ASSERT_TRUE(WaitForEntries(1));
  ASSERT_TRUE(WaitForSerial());

  hooked->AfterListing = [&] {
    unit.reset();
    bed->Remove(unitNode);
  };
  // Another device's arrival starts the pass.
  ASSERT_TRUE(bed->Add(ombrel::test::MockBluetoothMouse()));
  ASSERT_TRUE(WaitFor([&] {
    return CurrentDevice == nullptr && f.ComboBox_Choose_device->count() == 0 &&
           !f.JvHidDeviceController1->InDeviceChange();
  }));
  EXPECT_TRUE(messages.boxes.empty()) << messages.boxes.front().second.toStdString();
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), QStringLiteral("   No devices"));
  EXPECT_EQ(f.JvHidDeviceController1->DeviceCount(), 2);  // the keyboard and the mouse
}

}  // namespace
