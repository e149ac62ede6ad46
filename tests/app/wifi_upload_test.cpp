#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "app/jv_ip_address.h"
#include "protocol/read_back_walk.h"
#include "tests/app/unit_fixture.h"

namespace {

class WiFiUploadTest : public UnitFixture {
 protected:
  void SetUp() override { unit_ = &StartWithQuietUnit(); }

  // Presses "Apply/Save" and returns what the unit received.
  std::vector<std::vector<std::uint8_t>> Apply() {
    const std::size_t before = unit_->Device().OutputReportCount();
    pauseMarks.clear();
    QTest::mouseClick(form->Button_Apply_Save_Wi_Fi, Qt::LeftButton);
    baseOfLastApply_ = before;
    return WrittenSince(*unit_, before);
  }

  // The fifteen reports of an accepted upload with these values.
  static std::vector<std::vector<std::uint8_t>> Upload(std::uint8_t slaveNumber, std::uint8_t slaveMode,
                                                       std::u16string slaveAddress, std::uint8_t role,
                                                       std::uint8_t connection, std::u16string name,
                                                       std::u16string password, std::u16string masterAddress,
                                                       std::uint8_t channel, std::uint8_t security,
                                                       std::u16string gateway) {
    return Concat({Frames(13, Byte(1)), Frames(8, Byte(slaveNumber)), Frames(9, Byte(slaveMode)),
                   Frames(10, slaveAddress), Frames(5, Byte(role)), Frames(12, Byte(connection)), Frames(6, name),
                   Frames(7, password), Frames(11, masterAddress), Frames(14, Byte(channel)),
                   Frames(15, Byte(security)), Frames(47, gateway), Frames(13, Byte(0)), Frames(3, Byte(0)),
                   Frames(3, Byte(1))});
  }

  // The two pauses sit after the transfer's thirteen writes and between the
  // module's off and on.
  void ExpectModuleRestartPauses() {
    const std::size_t b = baseOfLastApply_;
    EXPECT_EQ(pauseMarks, (std::vector<std::pair<unsigned, std::size_t>>{{100, b + 13}, {250, b + 14}}));
  }

  void TypeName(const QString& name) { form->ComboBox_Wi_Fi_name->setEditText(name); }

  ombrel::sim::SimulatedUnit* unit_ = nullptr;
  std::size_t baseOfLastApply_ = 0;
};

TEST_F(WiFiUploadTest, MasterWithRouter) {
  TForm1& f = *form;
  QTest::mouseClick(f.RadioButton_with_router, Qt::LeftButton);
  TypeName(QStringLiteral("Birchwood"));
  f.Edit_Password->setText(QStringLiteral("pw"));
  f.JvIPAddress_IP_Master->SetText(QStringLiteral("10.0.0.5"));
  f.JvGateway->SetText(QStringLiteral("10.0.0.1"));
  // Channel and security are not offered with a router: they go out as last known.
  EXPECT_EQ(Apply(), Upload(0, 0, Octets(0, 0, 0, 0), 1, 1, u"Birchwood", u"pw", Octets(10, 0, 0, 5), 0, 0,
                            Octets(10, 0, 0, 1)));
  ExpectModuleRestartPauses();
  EXPECT_TRUE(messages.boxes.empty());
  EXPECT_EQ(unit_->Model().CompletedSettingsTransfers(), 1);
}

TEST_F(WiFiUploadTest, MasterWithoutRouterOpenWithEmptyPassword) {
  TForm1& f = *form;
  f.ComboBox_Security_WI_FI->setCurrentIndex(0);
  f.ComboBox_Wi_Fi_channel->setCurrentIndex(4);
  const auto written = Apply();
  EXPECT_EQ(written, Upload(0, 0, Octets(0, 0, 0, 0), 1, 2, u"", u"", Octets(192, 168, 4, 1), 5, '0',
                            Octets(192, 168, 0, 1)));
  ASSERT_EQ(written.size(), 15u);
  EXPECT_EQ(written[7][1], 7);
  EXPECT_EQ(written[7][2], 0);  // the empty password: count 0
  ExpectModuleRestartPauses();
}

TEST_F(WiFiUploadTest, ShortPasswordIsRefusedButItsChoicesAreKeptForTheNextUpload) {
  TForm1& f = *form;
  f.ComboBox_Security_WI_FI->setCurrentIndex(2);  // WPA2_PSK
  f.ComboBox_Wi_Fi_channel->setCurrentIndex(2);   // channel 3
  f.Edit_Password->setText(QStringLiteral("1234567"));
  EXPECT_TRUE(Apply().empty());
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("The length of password must be 8 - 60 characters"));
  EXPECT_EQ(DeviceSettings.channel, 3);
  EXPECT_EQ(DeviceSettings.security, '3');
  EXPECT_EQ(DeviceSettings.password, u"1234567");

  // An accepted slave upload writes the channel and security it kept.
  QTest::mouseClick(f.RadioButton_slave, Qt::LeftButton);
  QTest::mouseClick(f.RadioButton_with_router, Qt::LeftButton);
  TypeName(QStringLiteral("Birchwood"));
  f.ComboBox_Number_Slave->setCurrentIndex(3);
  f.ComboBox_IP_Slave->setCurrentIndex(1);  // static
  f.JvIPAddress_IP_Slave->SetText(QStringLiteral("192.168.1.77"));
  f.JvIPAddress_IP_Master->SetText(QStringLiteral("192.168.1.50"));
  EXPECT_EQ(Apply(), Upload(3, 0, Octets(192, 168, 1, 77), 0, 1, u"Birchwood", u"1234567",
                            Octets(192, 168, 1, 50), 3, '3', Octets(192, 168, 0, 1)));
  EXPECT_EQ(messages.boxes.size(), 1u);
}

TEST_F(WiFiUploadTest, EmptyNameIsRefusedWhereANetworkIsJoined) {
  TForm1& f = *form;
  QTest::mouseClick(f.RadioButton_with_router, Qt::LeftButton);
  EXPECT_TRUE(Apply().empty());
  QTest::mouseClick(f.RadioButton_slave, Qt::LeftButton);
  EXPECT_TRUE(Apply().empty());
  ASSERT_EQ(messages.boxes.size(), 2u);
  for (const auto& box : messages.boxes) {
    EXPECT_EQ(box.second, QStringLiteral("The length of name of Wi-Fi must be 1 - 32 characters"));
  }
  EXPECT_EQ(DeviceSettings.role, 0);
  EXPECT_EQ(DeviceSettings.gateway, (ombrel::Ipv4Octets{192, 168, 0, 1}));
}

TEST_F(WiFiUploadTest, SlaveWithoutRouterJoinsTheMastersAccessPoint) {
  TForm1& f = *form;
  QTest::mouseClick(f.RadioButton_slave, Qt::LeftButton);
  TypeName(QStringLiteral("Kirrowind_Pendra"));
  f.Edit_Password->setText(QStringLiteral("12345678"));
  f.ComboBox_IP_Slave->setCurrentIndex(1);  // hidden without a router: DHCP goes out all the same
  EXPECT_EQ(Apply(), Upload(0, 1, Octets(192, 168, 0, 3), 0, 1, u"Kirrowind_Pendra", u"12345678",
                            Octets(192, 168, 4, 1), 0, 0, Octets(192, 168, 0, 1)));
  ExpectModuleRestartPauses();
}

TEST_F(WiFiUploadTest, ListWithoutSelectionFailsTheConversionAndWritesNothing) {
  TForm1& f = *form;
  f.ComboBox_Wi_Fi_channel->setCurrentIndex(-1);
  EXPECT_TRUE(Apply().empty());
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, MessageKind::Error);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("'' is not a valid integer value"));
  // What was taken before the conversion stays known.
  EXPECT_EQ(DeviceSettings.connectionType, 2);
  EXPECT_EQ(DeviceSettings.masterAddress, (ombrel::Ipv4Octets{192, 168, 4, 1}));
}

TEST_F(WiFiUploadTest, LongNameGoesOutOverOneReportAndThePasswordWhole) {
  TForm1& f = *form;
  QTest::mouseClick(f.RadioButton_with_router, Qt::LeftButton);
  TypeName(QString(32, QLatin1Char('n')));
  f.Edit_Password->setText(QString(60, QLatin1Char('p')));
  const auto written = Apply();
  ASSERT_EQ(written.size(), 15u);
  EXPECT_EQ(written[6][2], 32);
  EXPECT_EQ(written[7][2], 60);
  EXPECT_EQ(unit_->Model().StoredValue(Param_Wi_Fi_password), std::vector<std::uint8_t>(60, 'p'));
}

TEST_F(WiFiUploadTest, MasterUploadAfterAReadBackSendsTheSlaveAddressAsItsFourOctets) {
  TForm1& f = *form;
  auto& m = unit_->Model();
  m.SetByte(Param_Device_mode, 1);
  m.SetByte(Param_Type_of_connection, 1);
  m.SetText(Param_Wi_Fi_name, "Birchwood");
  m.SetText(Param_Wi_Fi_password, "pw");
  m.SetByte(Param_Number_Slave, 3);
  m.SetByte(Param_IP_Slave_mode, 0);
  m.SetAddress(Param_IP_Slave, {192, 168, 4, 2});
  m.SetAddress(Param_IP_Master, {10, 0, 0, 5});
  m.SetByte(Param_Wi_Fi_channel, 6);
  m.SetByte(Param_Security_Wi_Fi, '3');
  m.SetAddress(Param_Gateway, {10, 0, 0, 1});
  const std::size_t before = unit_->Device().OutputReportCount();
  QTest::mouseClick(f.Button_Get_current_parameters, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return unit_->Device().OutputReportCount() == before + ombrel::kReadBackLength; }));
  Settle();
  ASSERT_TRUE(f.RadioButton_master->isChecked());
  ASSERT_TRUE(f.RadioButton_with_router->isChecked());

  EXPECT_EQ(Apply(), Upload(3, 0, Octets(192, 168, 4, 2), 1, 1, u"Birchwood", u"pw", Octets(10, 0, 0, 5), 6, '3',
                            Octets(10, 0, 0, 1)));
  EXPECT_EQ(unit_->Model().StoredValue(Param_IP_Slave), (std::vector<std::uint8_t>{192, 168, 4, 2}));
  EXPECT_TRUE(messages.boxes.empty());
}

}  // namespace
