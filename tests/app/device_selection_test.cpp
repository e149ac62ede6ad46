#include <gtest/gtest.h>

#include <QComboBox>

#include "app/control_colours.h"
#include "tests/app/unit_fixture.h"

namespace {

class DeviceSelectionTest : public UnitFixture {};

TEST_F(DeviceSelectionTest, OneUnitIsSelectedAndAskedForItsSerialNumberOnce) {
  auto& unit = PlugUnit("Pendra DUO", "PD2407311");
  TForm1& f = StartQuietForm();
  ASSERT_TRUE(WaitForEntries(1));
  EXPECT_EQ(f.ComboBox_Choose_device->itemText(0), QStringLiteral("1. Pendra DUO"));
  EXPECT_EQ(f.ComboBox_Choose_device->currentIndex(), 0);
  EXPECT_EQ(BackgroundColour(f.ComboBox_Choose_device), kStateGreen);
  ASSERT_NE(CurrentDevice, nullptr);
  EXPECT_TRUE(f.Panel_Direction_Fan_Pendra->isHidden());
  EXPECT_FALSE(f.Panel_Direction_Fan_DUO->isHidden());
  ASSERT_TRUE(WaitFor([&] { return f.Label_Serial_number->text() == QStringLiteral("PD2407311"); }));
  EXPECT_EQ(unit.Device().OutputReports(), (std::vector<std::vector<std::uint8_t>>{ReadRequestReport(23)}));
}

TEST_F(DeviceSelectionTest, TwoUnitsAreListedByModelAndTheFirstIsSelected) {
  auto& first = PlugUnit("Pendra", "PA1");
  auto& second = PlugUnit("Pendra DUO", "PD2");
  TForm1& f = StartQuietForm();
  ASSERT_TRUE(WaitForEntries(2));
  EXPECT_EQ(f.ComboBox_Choose_device->itemText(0), QStringLiteral("1. Pendra"));
  EXPECT_EQ(f.ComboBox_Choose_device->itemText(1), QStringLiteral("2. Pendra DUO"));
  EXPECT_EQ(f.JvHidDeviceController1->NumCheckedOutDevices(), 2);
  EXPECT_EQ(f.ComboBox_Choose_device->currentIndex(), 0);
  EXPECT_FALSE(f.Panel_Direction_Fan_Pendra->isHidden());
  EXPECT_TRUE(f.Panel_Direction_Fan_DUO->isHidden());
  ASSERT_TRUE(WaitFor([&] { return f.Label_Serial_number->text() == QStringLiteral("PA1"); }));
  EXPECT_EQ(first.Device().OutputReportCount(), 1u);
  EXPECT_EQ(second.Device().OutputReportCount(), 0u);

  // The user picks the second: exactly one request, to it.
  f.ComboBox_Choose_device->setCurrentIndex(1);
  emit f.ComboBox_Choose_device->activated(1);
  ASSERT_TRUE(WaitFor([&] { return f.Label_Serial_number->text() == QStringLiteral("PD2"); }));
  EXPECT_EQ(second.Device().OutputReports(), (std::vector<std::vector<std::uint8_t>>{ReadRequestReport(23)}));
  EXPECT_EQ(first.Device().OutputReportCount(), 1u);
  EXPECT_FALSE(f.Panel_Direction_Fan_DUO->isHidden());

  // Any device plugged in rebuilds the list, and the first is selected again.
  PlugKeyboard();
  ASSERT_TRUE(WaitFor([&] { return first.Device().OutputReportCount() == 2; }));
  ASSERT_TRUE(WaitForEntries(2));
  EXPECT_EQ(f.ComboBox_Choose_device->currentIndex(), 0);
  EXPECT_FALSE(f.Panel_Direction_Fan_Pendra->isHidden());
}

TEST_F(DeviceSelectionTest, OtherProductStringsAreListedAsPendraAndOtherDevicesNot) {
  PlugKeyboard();
  PlugUnit("Pendra ");  // a trailing blank is another name
  TForm1& f = StartQuietForm();
  ASSERT_TRUE(WaitForEntries(1));
  Settle();
  EXPECT_EQ(f.ComboBox_Choose_device->count(), 1);
  EXPECT_EQ(f.ComboBox_Choose_device->itemText(0), QStringLiteral("1. Pendra"));
  EXPECT_FALSE(f.Panel_Direction_Fan_Pendra->isHidden());
  EXPECT_TRUE(f.Panel_Direction_Fan_DUO->isHidden());
  EXPECT_EQ(f.JvHidDeviceController1->NumCheckedOutDevices(), 1);
  EXPECT_EQ(f.JvHidDeviceController1->NumCheckedInDevices(), 1);  // the keyboard
}

TEST_F(DeviceSelectionTest, LastUnitUnpluggedReturnsTheWindowToItsNoUnitState) {
  auto& unit = PlugUnit("Pendra DUO", "PD9");
  TForm1& f = StartQuietForm();
  ASSERT_TRUE(WaitForEntries(1));
  ASSERT_TRUE(WaitFor([&] { return f.Label_Serial_number->text() == QStringLiteral("PD9"); }));
  f.Panel_Wi_Fi_State_connection->setText(QStringLiteral("Wi-Fi Connected"));
  SetBackgroundColour(f.Panel_Wi_Fi_State_connection, kStateGreen);
  f.Label_Timer_filter->setText(QStringLiteral("Days: 004    Hours: 01    Minutes: 02    Seconds: 03"));

  unit.Unplug();
  ASSERT_TRUE(WaitFor([&] { return CurrentDevice == nullptr; }));
  EXPECT_EQ(f.ComboBox_Choose_device->count(), 0);
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), QStringLiteral("   No devices"));
  EXPECT_EQ(BackgroundColour(f.ComboBox_Choose_device), kStateRed);
  EXPECT_EQ(f.Label_Serial_number->text(), QString());
  EXPECT_EQ(f.Panel_Wi_Fi_State_connection->text(), QStringLiteral("Wi-Fi Disconnected"));
  EXPECT_EQ(f.Panel_Master_State_connection->text(), QStringLiteral("Master Disconnected"));
  EXPECT_EQ(BackgroundColour(f.Panel_Wi_Fi_State_connection), kStateRed);
  EXPECT_EQ(BackgroundColour(f.Panel_Master_State_connection), kStateRed);
  EXPECT_EQ(f.Label_Timer_filter->text(), QStringLiteral("Days: 00    Hours: 00    Minutes: 00    Seconds: 00"));
  EXPECT_EQ(f.JvHidDeviceController1->DeviceCount(), 0);
}

TEST_F(DeviceSelectionTest, UnitThatMayNotBeOpenedIsListedAndSaysWhyItIsSilent) {
  auto& unit = PlugUnit("Pendra DUO");
  ombrel::platform::VirtualHidFaults faults;
  faults.Open = ombrel::platform::VirtualOpen::WithoutAccessOnly;
  unit.Device().SetFaults(faults);
  TForm1& f = StartQuietForm();
  ASSERT_TRUE(WaitForEntries(1));
  EXPECT_EQ(f.ComboBox_Choose_device->itemText(0), QStringLiteral("1. Pendra DUO"));
  EXPECT_NE(CurrentDevice, nullptr);
  EXPECT_TRUE(f.ComboBox_Choose_device->toolTip().contains(QStringLiteral("may not open it")));
  EXPECT_EQ(unit.Device().OutputReportCount(), 0u);
  EXPECT_TRUE(messages.boxes.empty());

  // Once it may be opened, the next rebuild opens it afresh.
  unit.Device().SetFaults({});
  PlugKeyboard();
  ASSERT_TRUE(WaitFor([&] { return unit.Device().OutputReportCount() == 1; }));
  EXPECT_TRUE(f.ComboBox_Choose_device->toolTip().isEmpty());
}

}  // namespace
