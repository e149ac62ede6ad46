#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "app/jv_ip_address.h"
#include "app/jv_time_edit.h"
#include "protocol/device_settings.h"
#include "protocol/read_back_walk.h"
#include "tests/app/unit_fixture.h"

namespace {

class ReadBackTest : public UnitFixture {
 protected:
  // Presses "Receive current parameters" and waits for the walk's end.
  void ReadBack(ombrel::sim::SimulatedUnit& unit) {
    const std::size_t before = unit.Device().OutputReportCount();
    QTest::mouseClick(form->Button_Get_current_parameters, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return unit.Device().OutputReportCount() == before + ombrel::kReadBackLength; }));
    Settle();
  }
};

TEST_F(ReadBackTest, WalkAsksForTheSettingsInOrderAndFillsEveryControl) {
  auto& unit = StartWithQuietUnit();
  auto& m = unit.Model();
  m.SetByte(Param_Device_mode, 0);
  m.SetByte(Param_Type_of_connection, 2);
  m.SetText(Param_Wi_Fi_name, "Home-Net");
  m.SetText(Param_Wi_Fi_password, "secret-password");
  m.SetByte(Param_Number_Slave, 5);
  m.SetByte(Param_IP_Slave_mode, 0);
  m.SetAddress(Param_IP_Slave, {10, 0, 0, 7});
  m.SetAddress(Param_IP_Master, {10, 0, 0, 1});
  m.SetByte(Param_Wi_Fi_channel, 3);
  m.SetByte(Param_Security_Wi_Fi, '2');
  m.SetByte(Param_Available_OFF_device, 0);
  m.SetByte(Param_Direction, 1);
  m.SetByte(Param_Humidity_sensor, 0);
  m.SetByte(Param_External_sensor1, 0);
  m.SetByte(Param_External_sensor2, 0);
  m.SetByte(Param_Humidity_sensor_threshold, 45);
  m.SetByte(Param_External_sensor2_threshold, 85);
  m.SetSeconds(Param_Timer_after_reacting_any_sensor, 5400);
  m.SetSeconds(Param_Timer_night_mode, 86340);
  m.SetSeconds(Param_Timer_party_mode, 43500);
  m.SetByte(Param_Direction_DUO, 0);
  m.SetAddress(Param_Gateway, {10, 0, 0, 254});

  ReadBack(unit);
  TForm1& f = *form;

  // The requests, after the serial number's: one per setting, in walk order.
  const auto written = unit.Device().OutputReports();
  ASSERT_EQ(written.size(), 1 + ombrel::kReadBackLength);
  std::size_t i = 1;
  for (const auto& step : ombrel::ReadBackSteps()) EXPECT_EQ(written[i++], ReadRequestReport(step.answer));

  EXPECT_TRUE(f.RadioButton_slave->isChecked());
  EXPECT_TRUE(f.RadioButton_with_router->isChecked());  // a slave whose network is not the master's
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QStringLiteral("Home-Net"));
  EXPECT_EQ(f.Edit_Password->text(), QStringLiteral("secret-password"));
  EXPECT_EQ(f.ComboBox_Number_Slave->currentText(), QStringLiteral("6"));
  EXPECT_EQ(f.ComboBox_IP_Slave->currentText(), QStringLiteral("Static"));
  EXPECT_TRUE(f.JvIPAddress_IP_Slave->isEnabled());
  EXPECT_EQ(f.JvIPAddress_IP_Slave->Text(), QStringLiteral("10.0.0.7"));
  EXPECT_EQ(f.JvIPAddress_IP_Master->Text(), QStringLiteral("10.0.0.1"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_channel->currentText(), QStringLiteral("3"));
  EXPECT_EQ(f.ComboBox_Security_WI_FI->currentText(), QStringLiteral("WPA_PSK"));
  EXPECT_FALSE(f.CheckBox_Available_OFF_device->isChecked());
  EXPECT_TRUE(f.RadioButton_Exhaust->isChecked());
  EXPECT_FALSE(f.CheckBox_Humidity_sensor->isChecked());
  EXPECT_FALSE(f.CheckBox_External_sensor1->isChecked());
  EXPECT_FALSE(f.CheckBox_External_sensor2->isChecked());
  EXPECT_EQ(f.TrackBar_Humidity_sensor->value(), 9);
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("45 %RH"));
  EXPECT_EQ(f.TrackBar_External_sensor2->value(), 17);
  EXPECT_EQ(f.Label_External_sensor2->text(), QStringLiteral("85 %"));
  EXPECT_EQ(f.JvTimeEdit_Timer_after_reacting_any_sensor->text(), QStringLiteral("01:30"));
  EXPECT_EQ(f.JvTimeEdit_Timer_night_mode->text(), QStringLiteral("23:59"));
  EXPECT_EQ(f.JvTimeEdit_Timer_party_mode->text(), QStringLiteral("12:05"));
  EXPECT_TRUE(f.RadioButton_Supply_Exhaust_DUO->isChecked());
  EXPECT_EQ(f.JvGateway->Text(), QStringLiteral("10.0.0.254"));
  // The slave's page: its number and address panels, no channel.
  EXPECT_FALSE(f.Panel_Number_of_slave->isHidden());
  EXPECT_FALSE(f.Panel_IP_Slave->isHidden());
  EXPECT_TRUE(f.Panel_Wi_Fi_channel->isHidden());

  EXPECT_EQ(DeviceSettings.role, 0);
  EXPECT_EQ(DeviceSettings.slaveAddress, (ombrel::Ipv4Octets{10, 0, 0, 7}));
  // One 1 ms pause before each next request and after the last answer.
  EXPECT_EQ(pauses, std::vector<unsigned>(ombrel::kReadBackLength, 1));
}

TEST_F(ReadBackTest, RoleConnectionAndNetworkNameDecideTheRouterButton) {
  const struct {
    std::uint8_t role;
    std::uint8_t connection;
    const char* name;
    bool withRouter;
  } cases[] = {
      {1, 2, "Anything", false},     // a master without a router
      {1, 1, "Kirrowind_9", true},   // a master says so itself; the name is not looked at
      {0, 2, "Kirrowind_9", false},  // a slave on its master's own network
      {0, 1, "Home", true},          // a slave answering 12 changes nothing; the name decides
      {0, 2, "", true},
      {0, 2, "kirrowind", true},     // the mark is case-sensitive
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "role " << int(c.role) << ", connection " << int(c.connection) << ", name \""
                                    << c.name << "\"");
    auto& unit = StartWithQuietUnit();
    // Start from the opposite choice so that the walk has to change it.
    (c.withRouter ? form->RadioButton_without_router : form->RadioButton_with_router)->setChecked(true);
    unit.Model().SetByte(Param_Device_mode, c.role);
    unit.Model().SetByte(Param_Type_of_connection, c.connection);
    unit.Model().SetText(Param_Wi_Fi_name, c.name);
    ReadBack(unit);
    EXPECT_EQ(form->RadioButton_with_router->isChecked(), c.withRouter);
    EXPECT_EQ(form->RadioButton_master->isChecked(), c.role == 1);
    form.reset();
    units.clear();
  }
}

TEST_F(ReadBackTest, ReportOfAnotherUnitChangesNothing) {
  PlugUnit("Pendra", "PA1");
  auto& other = PlugUnit("Pendra DUO", "PD2");
  StartQuietForm();
  ASSERT_TRUE(WaitForEntries(2));
  ASSERT_TRUE(WaitFor([&] { return form->Label_Serial_number->text() == QStringLiteral("PA1"); }));

  std::vector<std::uint8_t> role(65, 0);
  role[0] = 1;
  role[1] = Param_Device_mode;
  role[2] = 1;
  role[3] = 0;  // slave
  ASSERT_TRUE(other.Device().PushInputReport(role));
  std::vector<std::uint8_t> serial(65, 0);
  serial[0] = 1;
  serial[1] = Param_Serial_number;
  serial[2] = 3;
  serial[3] = 'X';
  serial[4] = 'Y';
  serial[5] = 'Z';
  ASSERT_TRUE(other.Device().PushInputReport(serial));
  ASSERT_TRUE(WaitFor([&] { return other.Device().QueuedInputReports() == 0; }));
  Settle();
  EXPECT_TRUE(form->RadioButton_master->isChecked());
  EXPECT_EQ(form->Label_Serial_number->text(), QStringLiteral("PA1"));
  EXPECT_EQ(units[0]->Device().OutputReportCount(), 1u);  // no walk started
}

TEST_F(ReadBackTest, TooShortOrUnknownReportsAreDropped) {
  auto& unit = StartWithQuietUnit();
  const std::vector<std::vector<std::uint8_t>> reports = {
      {1, Param_IP_Master, 4, 10, 0},   // an address cut short
      {1, Param_Device_mode},           // no value byte
      {1, 200, 1, 1},                   // an ID the unit does not send
      {1},
  };
  for (const auto& r : reports) ASSERT_TRUE(unit.Device().PushInputReport(r));
  ASSERT_TRUE(WaitFor([&] { return unit.Device().QueuedInputReports() == 0; }));
  Settle();
  EXPECT_EQ(form->JvIPAddress_IP_Master->Text(), QStringLiteral("192.168.0.2"));
  EXPECT_TRUE(form->RadioButton_master->isChecked());
  EXPECT_EQ(unit.Device().OutputReportCount(), 1u);
}

TEST_F(ReadBackTest, ValueOutsideAListLeavesItWithoutSelectionAndTheUploadWritesNothing) {
  const struct {
    std::uint8_t role;
    std::uint8_t slaveNumber;
    std::uint8_t channel;
  } cases[] = {
      {1, 32, 0},   // a master without a router: its channel is taken from the list
      {0, 255, 14},  // a slave: its number is taken from the list
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "slave number " << int(c.slaveNumber) << ", channel " << int(c.channel));
    auto& unit = StartWithQuietUnit();
    TForm1& f = *form;
    f.ComboBox_Number_Slave->setCurrentIndex(4);
    f.ComboBox_Wi_Fi_channel->setCurrentIndex(5);
    auto& m = unit.Model();
    m.SetByte(Param_Device_mode, c.role);
    m.SetByte(Param_Type_of_connection, 2);
    m.SetText(Param_Wi_Fi_name, "Kirrowind_1");
    m.SetByte(Param_Number_Slave, c.slaveNumber);
    m.SetByte(Param_Wi_Fi_channel, c.channel);
    m.SetByte(Param_Security_Wi_Fi, '0');
    ReadBack(unit);
    EXPECT_EQ(f.ComboBox_Number_Slave->currentIndex(), -1);
    EXPECT_EQ(f.ComboBox_Wi_Fi_channel->currentIndex(), -1);
    EXPECT_EQ(DeviceSettings.slaveNumber, c.slaveNumber);
    EXPECT_EQ(DeviceSettings.channel, c.channel);

    messages.boxes.clear();
    const std::size_t before = unit.Device().OutputReportCount();
    QTest::mouseClick(f.Button_Apply_Save_Wi_Fi, Qt::LeftButton);
    EXPECT_EQ(unit.Device().OutputReportCount(), before);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].first, MessageKind::Error);
    form.reset();
    units.clear();
  }
}

TEST_F(ReadBackTest, TextsFromTheUnitAreKeptWholeAndGoBackWhole) {
  auto& unit = StartWithQuietUnit();
  TForm1& f = *form;
  const std::string name(40, 'n');
  const std::string password = std::string(61, 'p') + "!";
  auto& m = unit.Model();
  m.SetByte(Param_Device_mode, 1);
  m.SetByte(Param_Type_of_connection, 1);
  m.SetText(Param_Wi_Fi_name, name);
  m.SetText(Param_Wi_Fi_password, password);
  ReadBack(unit);
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QString::fromStdString(name));
  EXPECT_EQ(f.Edit_Password->text(), QString::fromStdString(password));

  // The next upload writes what the unit holds, not a cut copy.
  m.SetText(Param_Wi_Fi_name, "");
  m.SetText(Param_Wi_Fi_password, "");
  QTest::mouseClick(f.Button_Apply_Save_Wi_Fi, Qt::LeftButton);
  EXPECT_TRUE(messages.boxes.empty());
  EXPECT_EQ(m.StoredValue(Param_Wi_Fi_name), std::vector<std::uint8_t>(name.begin(), name.end()));
  EXPECT_EQ(m.StoredValue(Param_Wi_Fi_password), std::vector<std::uint8_t>(password.begin(), password.end()));

  // A person still cannot type past the limits.
  f.show();
  f.Edit_Password->setFocus();
  f.Edit_Password->end(false);
  QTest::keyClicks(f.Edit_Password, QStringLiteral("xy"));
  EXPECT_EQ(f.Edit_Password->text(), QString::fromStdString(password));
  QTest::keyClick(f.Edit_Password, Qt::Key_Backspace);
  QTest::keyClicks(f.Edit_Password, QStringLiteral("x"));
  EXPECT_EQ(f.Edit_Password->text(), QString::fromStdString(password.substr(0, 61)));
  f.Edit_Password->selectAll();
  QTest::keyClicks(f.Edit_Password, QString(61, QLatin1Char('q')));
  EXPECT_EQ(f.Edit_Password->text(), QString(60, QLatin1Char('q')));
  QLineEdit* nameEdit = f.ComboBox_Wi_Fi_name->lineEdit();
  nameEdit->end(false);
  QTest::keyClicks(nameEdit, QStringLiteral("x"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QString::fromStdString(name));
  nameEdit->selectAll();
  QTest::keyClicks(nameEdit, QString(33, QLatin1Char('m')));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QString(32, QLatin1Char('m')));
}

TEST_F(ReadBackTest, SerialNumberWhoseCountRunsPastTheReportShowsWhatIsThere) {
  auto& unit = StartWithQuietUnit();
  std::vector<std::uint8_t> serial(65, 0);
  serial[0] = 1;
  serial[1] = Param_Serial_number;
  serial[2] = 70;  // more than the 62 bytes that follow
  for (std::size_t i = 3; i < serial.size(); ++i) serial[i] = static_cast<std::uint8_t>('A' + i % 26);
  ASSERT_TRUE(unit.Device().PushInputReport(serial));
  const QString present = QString::fromLatin1(reinterpret_cast<const char*>(serial.data() + 3), 62);
  EXPECT_TRUE(WaitFor([&] { return form->Label_Serial_number->text() == present; }));
}

TEST_F(ReadBackTest, WithoutAUnitTheButtonAsksForOne) {
  storedLanguage = LangPol;
  StartForm();
  Settle();
  QTest::mouseClick(form->Button_Get_current_parameters, Qt::LeftButton);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, MessageKind::Plain);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("Proszę o wybranie urządzenia"));
}

}  // namespace
