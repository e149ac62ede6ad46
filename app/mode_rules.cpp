// The rules that keep the Wi-Fi page in step with the unit's role and
// connection type, the password edit with the security type, the slave
// address field with its mode, and the Fan page's threshold labels.

#include "app/lang_qt.h"
#include "app/main_window.h"
#include "protocol/conversions.h"
#include "protocol/wifi_upload.h"

using ombrel::kSecurityOpen;
using ombrel::kSlaveAddressDhcp;
using ombrel::kSlaveAddressStatic;
using ombrel::PercentFromTrackBarPosition;

void TForm1::ApplyModeTable() {
  const bool master = RadioButton_master->isChecked();
  const bool withRouter = RadioButton_with_router->isChecked();
  // Without a router the master is the access point: it offers the network
  // (security, channel) instead of joining one by name.
  const bool accessPoint = master && !withRouter;

  Panel_Wi_Fi_name->setVisible(!accessPoint);
  Label_type_security->setVisible(accessPoint);
  ComboBox_Security_WI_FI->setVisible(accessPoint);
  Panel_Wi_Fi_channel->setVisible(accessPoint);
  Panel_IP_Master->setVisible(withRouter);
  Label_Gateway->setVisible(master);
  JvGateway->setVisible(master);
  Panel_IP_Slave->setVisible(!master && withRouter);
  Panel_Number_of_slave->setVisible(!master);
  Panel_Wi_Fi_State_connection->setVisible(!accessPoint);
  Panel_Master_State_connection->setVisible(!master);
  SetLabelText(Label_Password, LangQ(accessPoint ? 19 : 20));
}

void TForm1::DisablePasswordIfOpen() {
  if (ComboBox_Security_WI_FI->currentIndex() == kSecurityOpen) Edit_Password->setEnabled(false);
}

void TForm1::RadioButton_masterClick(QObject*) {
  ApplyModeTable();
  if (RadioButton_without_router->isChecked()) DisablePasswordIfOpen();
}

void TForm1::RadioButton_slaveClick(QObject*) {
  ApplyModeTable();
  Edit_Password->setEnabled(true);
}

void TForm1::RadioButton_without_routerClick(QObject*) {
  ApplyModeTable();
  if (RadioButton_master->isChecked()) DisablePasswordIfOpen();
}

void TForm1::RadioButton_with_routerClick(QObject*) {
  ApplyModeTable();
  Edit_Password->setEnabled(true);
}

void TForm1::ComboBox_Security_WI_FIChange(QObject*) {
  Edit_Password->setEnabled(ComboBox_Security_WI_FI->currentIndex() != kSecurityOpen);
}

void TForm1::ComboBox_IP_SlaveChange(QObject*) {
  switch (ComboBox_IP_Slave->currentIndex()) {
    case kSlaveAddressDhcp: JvIPAddress_IP_Slave->setEnabled(false); break;
    case kSlaveAddressStatic: JvIPAddress_IP_Slave->setEnabled(true); break;
    default: break;
  }
}

// The gateway follows the network part of the master address while it is
// typed; its host part (octet 4) stays the user's.
void TForm1::JvIPAddress_IP_MasterKeyUp(QObject*) {
  for (int octet = 1; octet <= 3; ++octet) JvGateway->SetAddressValue(octet, JvIPAddress_IP_Master->AddressValue(octet));
}

void TForm1::TrackBar_Humidity_sensorChange(QObject*) {
  SetLabelText(Label_Humidity_sensor, QString::number(PercentFromTrackBarPosition(TrackBar_Humidity_sensor->value())) + LangQ(36));
}

void TForm1::TrackBar_External_sensor2Change(QObject*) {
  SetLabelText(Label_External_sensor2, QString::number(PercentFromTrackBarPosition(TrackBar_External_sensor2->value())) + QStringLiteral(" %"));
}

// The manual link is never shown; a click on it has nothing to do.
void TForm1::Label_User_ManualClick(QObject*) {}
