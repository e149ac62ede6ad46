#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "app/jv_ip_address.h"
#include "tests/app/form_fixture.h"

namespace {

enum Combination { MasterNoRouter, MasterWithRouter, SlaveNoRouter, SlaveWithRouter };

class ModeRulesTest : public FormFixture {
 protected:
  TForm1& Start() {
    TForm1& f = StartForm();
    f.show();
    f.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
    return f;
  }
  // Types into whichever field has the focus, as the keyboard does.
  static void Type(const QString& keys) {
    for (const QChar c : keys) {
      QWidget* focus = QApplication::focusWidget();
      ASSERT_NE(focus, nullptr);
      QTest::keyClick(focus, c.toLatin1());
    }
  }
  static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  // The user picks an entry of a drop-down list.
  static void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
};

// The page's state for each combination: which controls are shown.
struct ModeRow {
  const char* control;
  bool shown[4];
};

const ModeRow kModeTable[] = {
    {"Panel_Wi_Fi_name", {false, true, true, true}},
    {"Label_type_security", {true, false, false, false}},
    {"ComboBox_Security_WI_FI", {true, false, false, false}},
    {"Panel_Wi_Fi_channel", {true, false, false, false}},
    {"Panel_IP_Master", {false, true, false, true}},
    {"Label_Gateway", {true, true, false, false}},
    {"JvGateway", {true, true, false, false}},
    {"Panel_IP_Slave", {false, false, false, true}},
    {"Panel_Number_of_slave", {false, false, true, true}},
    {"Panel_Wi_Fi_State_connection", {false, true, true, true}},
    {"Panel_Master_State_connection", {false, false, true, true}},
    {"Panel_Password", {true, true, true, true}},
    {"Label_Password", {true, true, true, true}},
    {"Edit_Password", {true, true, true, true}},
};

void ExpectColumn(TForm1& f, Combination c) {
  for (const ModeRow& row : kModeTable) {
    auto* w = f.findChild<QWidget*>(QString::fromLatin1(row.control));
    ASSERT_NE(w, nullptr) << row.control;
    EXPECT_EQ(!w->isHidden(), row.shown[c]) << row.control;
  }
  EXPECT_EQ(f.Label_Password->text(), QStringLiteral("%1").arg(c == MasterNoRouter
                                                                    ? "New Wi-Fi password (8 - 60 characters)"
                                                                    : "Wi-Fi Password (0 - 60 characters)"));
}

TEST_F(ModeRulesTest, EachCombinationShowsItsColumnWhateverTheOrderOfClicks) {
  const struct {
    const char* clicks;  // m master, s slave, r with router, n no router
    Combination expected;
  } cases[] = {
      {"", MasterNoRouter},    {"r", MasterWithRouter}, {"s", SlaveNoRouter},   {"sr", SlaveWithRouter},
      {"rs", SlaveWithRouter}, {"srm", MasterWithRouter}, {"rsn", SlaveNoRouter}, {"srmn", MasterNoRouter},
      {"rsnm", MasterNoRouter}, {"srns", SlaveNoRouter}, {"rnrs", SlaveWithRouter},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clicks);
    TForm1& f = Start();
    for (const char* k = c.clicks; *k; ++k) {
      switch (*k) {
        case 'm': Click(f.RadioButton_master); break;
        case 's': Click(f.RadioButton_slave); break;
        case 'r': Click(f.RadioButton_with_router); break;
        case 'n': Click(f.RadioButton_without_router); break;
      }
    }
    ExpectColumn(f, c.expected);
  }
}

TEST_F(ModeRulesTest, CheckingFromTheProgramRunsTheRulesToo) {
  TForm1& f = Start();
  f.RadioButton_slave->setChecked(true);
  f.RadioButton_with_router->setChecked(true);
  ExpectColumn(f, SlaveWithRouter);
}

TEST_F(ModeRulesTest, PasswordEditFollowsOpenSecurityForTheAccessPoint) {
  TForm1& f = Start();
  Choose(f.ComboBox_Security_WI_FI, 0);  // OPEN
  EXPECT_FALSE(f.Edit_Password->isEnabled());
  Choose(f.ComboBox_Security_WI_FI, 2);  // WPA2_PSK
  EXPECT_TRUE(f.Edit_Password->isEnabled());

  Choose(f.ComboBox_Security_WI_FI, 0);
  Click(f.RadioButton_with_router);
  EXPECT_TRUE(f.Edit_Password->isEnabled());
  EXPECT_TRUE(f.ComboBox_Security_WI_FI->isHidden());
  Click(f.RadioButton_without_router);  // OPEN still selected
  EXPECT_FALSE(f.Edit_Password->isEnabled());
}

TEST_F(ModeRulesTest, OpenSetWhileTheListIsHiddenHoldsUntilSlaveRouterOrAnotherType) {
  TForm1& f = Start();
  Click(f.RadioButton_slave);
  // The read-back selects OPEN and runs the list's handler itself.
  f.ComboBox_Security_WI_FI->setCurrentIndex(0);
  f.ComboBox_Security_WI_FIChange(f.ComboBox_Security_WI_FI);
  EXPECT_FALSE(f.Edit_Password->isEnabled());
  Click(f.RadioButton_with_router);  // slave with router: enables
  EXPECT_TRUE(f.Edit_Password->isEnabled());

  f.ComboBox_Security_WI_FIChange(f.ComboBox_Security_WI_FI);
  EXPECT_FALSE(f.Edit_Password->isEnabled());
  Click(f.RadioButton_master);  // master with router: unchanged
  EXPECT_FALSE(f.Edit_Password->isEnabled());
  Click(f.RadioButton_slave);
  EXPECT_TRUE(f.Edit_Password->isEnabled());

  f.ComboBox_Security_WI_FIChange(f.ComboBox_Security_WI_FI);
  EXPECT_FALSE(f.Edit_Password->isEnabled());
  f.ComboBox_Security_WI_FI->setCurrentIndex(1);
  f.ComboBox_Security_WI_FIChange(f.ComboBox_Security_WI_FI);
  EXPECT_TRUE(f.Edit_Password->isEnabled());
}

TEST_F(ModeRulesTest, ClickingTheCheckedButtonChangesNothing) {
  TForm1& f = Start();
  Click(f.RadioButton_slave);
  f.Edit_Password->setEnabled(false);
  Click(f.RadioButton_slave);  // its handler would enable the edit
  EXPECT_FALSE(f.Edit_Password->isEnabled());
  EXPECT_TRUE(f.RadioButton_slave->isChecked());
}

TEST_F(ModeRulesTest, SlaveAddressFieldFollowsItsMode) {
  TForm1& f = Start();
  Click(f.RadioButton_slave);
  Click(f.RadioButton_with_router);
  EXPECT_FALSE(f.JvIPAddress_IP_Slave->isEnabled());
  Choose(f.ComboBox_IP_Slave, 1);
  EXPECT_TRUE(f.JvIPAddress_IP_Slave->isEnabled());
  Choose(f.ComboBox_IP_Slave, 0);
  EXPECT_FALSE(f.JvIPAddress_IP_Slave->isEnabled());
  // No entry selected: nothing changes.
  f.JvIPAddress_IP_Slave->setEnabled(true);
  f.ComboBox_IP_Slave->setCurrentIndex(-1);
  f.ComboBox_IP_SlaveChange(f.ComboBox_IP_Slave);
  EXPECT_TRUE(f.JvIPAddress_IP_Slave->isEnabled());
}

TEST_F(ModeRulesTest, GatewayFollowsTheMasterAddressAsItIsTyped) {
  TForm1& f = Start();
  Click(f.RadioButton_with_router);
  EXPECT_EQ(f.JvGateway->Text(), QStringLiteral("192.168.0.1"));
  QTest::mouseClick(f.JvIPAddress_IP_Master->Field(1), Qt::LeftButton);
  QTest::keyClick(f.JvIPAddress_IP_Master->Field(1), Qt::Key_A, Qt::ControlModifier);
  Type(QStringLiteral("10"));
  EXPECT_EQ(f.JvGateway->Text(), QStringLiteral("10.168.0.1"));  // already after the first octet
  Type(QStringLiteral(".1.2.33"));
  EXPECT_EQ(f.JvIPAddress_IP_Master->Text(), QStringLiteral("10.1.2.33"));
  EXPECT_EQ(f.JvGateway->Text(), QStringLiteral("10.1.2.1"));

  // An address set by the program does not move the gateway.
  f.JvIPAddress_IP_Master->SetText(QStringLiteral("172.16.5.9"));
  EXPECT_EQ(f.JvGateway->Text(), QStringLiteral("10.1.2.1"));
}

TEST_F(ModeRulesTest, ThresholdLabelsFollowTheirBars) {
  TForm1& f = Start();
  f.PageControl->setCurrentWidget(f.Fan);
  f.TrackBar_Humidity_sensor->setValue(16);
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("80 %RH"));
  f.TrackBar_External_sensor2->setValue(1);
  EXPECT_EQ(f.Label_External_sensor2->text(), QStringLiteral("5 %"));
  // Keys move the bar like the user does; positions clamp at the ends.
  f.TrackBar_Humidity_sensor->setFocus();
  QTest::keyClick(f.TrackBar_Humidity_sensor, Qt::Key_Right);
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("80 %RH"));
  QTest::keyClick(f.TrackBar_Humidity_sensor, Qt::Key_Left);
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("75 %RH"));

  LanguageIndex = LangDeu;
  f.TrackBar_Humidity_sensor->setValue(8);
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("40 %RF"));
  f.TrackBar_External_sensor2->setValue(20);
  EXPECT_EQ(f.Label_External_sensor2->text(), QStringLiteral("100 %"));
  EXPECT_GE(f.Label_External_sensor2->width(), f.Label_External_sensor2->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
}

TEST_F(ModeRulesTest, TimeFieldsStartAtMidnightAndTheManualStaysHidden) {
  TForm1& f = Start();
  for (auto* time : {f.JvTimeEdit_Timer_after_reacting_any_sensor, f.JvTimeEdit_Timer_night_mode,
                     f.JvTimeEdit_Timer_party_mode}) {
    EXPECT_EQ(time->text(), QStringLiteral("00:00"));
  }
  Click(f.RadioButton_slave);
  Click(f.RadioButton_with_router);
  Click(f.RadioButton_master);
  EXPECT_TRUE(f.Label_User_Manual->isHidden());
}

}  // namespace
