// "Apply/Save" of the Wi-Fi page: the entries of the chosen mode are checked
// and the whole Wi-Fi set goes to the unit in one transfer; what the mode
// does not offer goes out as last known.

#include <QComboBox>
#include <QLineEdit>

#include "app/jv_ip_address.h"
#include "app/main_window.h"
#include "app/number_text.h"
#include "app/show_message.h"
#include "i18n/lang_qt.h"
#include "protocol/conversions.h"
#include "protocol/device_settings.h"
#include "protocol/pause.h"
#include "protocol/value_layouts.h"

using namespace ombrel;

namespace {

// Without a router the master is the access point, always at this address.
constexpr Ipv4Octets kAccessPointAddress{192, 168, 4, 1};
constexpr int kMinPasswordLength = 8;
constexpr int kSecurityOpen = 0;

Ipv4Octets OctetsOf(const TJvIPAddress* field) {
  return {static_cast<std::uint8_t>(field->AddressValue(1)), static_cast<std::uint8_t>(field->AddressValue(2)),
          static_cast<std::uint8_t>(field->AddressValue(3)), static_cast<std::uint8_t>(field->AddressValue(4))};
}

}  // namespace

void TForm1::Button_Apply_Save_Wi_FiClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }

  WiFiSettings& s = DeviceSettings;
  const bool nameEmpty = ComboBox_Wi_Fi_name->currentText().isEmpty();
  bool refused = false;
  // Every step of the mode runs even after a failed check, so that what was
  // taken stays known for the next upload; only one message is shown.
  if (RadioButton_master->isChecked()) {
    s.role = 1;
    if (RadioButton_with_router->isChecked()) {
      s.connectionType = 1;
      s.masterAddress = OctetsOf(JvIPAddress_IP_Master);
      if (nameEmpty) {
        ShowMessage(LangQ(57));
        refused = true;
      }
    } else {
      s.connectionType = 2;
      s.masterAddress = kAccessPointAddress;
      s.channel = static_cast<std::uint8_t>(NumberOfText(ComboBox_Wi_Fi_channel->currentText()));
      const int security = ComboBox_Security_WI_FI->currentIndex();
      if (const auto digit = SecurityDigitFromIndex(security)) s.security = *digit;
      if (Edit_Password->text().size() < kMinPasswordLength && security != kSecurityOpen) {
        ShowMessage(LangQ(58));
        refused = true;
      }
    }
  } else {
    s.role = 0;
    s.connectionType = 1;  // a slave always joins a network
    s.slaveNumber = static_cast<std::uint8_t>(NumberOfText(ComboBox_Number_Slave->currentText()) - 1);
    s.slaveAddress = OctetsOf(JvIPAddress_IP_Slave);
    if (nameEmpty) {
      ShowMessage(LangQ(57));
      refused = true;
    }
    if (RadioButton_with_router->isChecked()) {
      s.masterAddress = OctetsOf(JvIPAddress_IP_Master);
      s.slaveAddressMode = ComboBox_IP_Slave->currentIndex() == 0 ? 1 : 0;
    } else {
      s.masterAddress = kAccessPointAddress;
      s.slaveAddressMode = 1;
    }
  }
  s.networkName = ComboBox_Wi_Fi_name->currentText().toStdU16String();
  s.password = Edit_Password->text().toStdU16String();
  s.gateway = OctetsOf(JvGateway);
  if (refused) return;

  SendParameter(Param_Settings_transfer, EncodeByte(1));
  SendParameter(Param_Number_Slave, EncodeByte(s.slaveNumber));
  SendParameter(Param_IP_Slave_mode, EncodeByte(s.slaveAddressMode));
  SendParameter(Param_IP_Slave, EncodeAddress(s.slaveAddress));
  SendParameter(Param_Device_mode, EncodeByte(s.role));
  SendParameter(Param_Type_of_connection, EncodeByte(s.connectionType));
  SendParameter(Param_Wi_Fi_name, s.networkName);
  SendParameter(Param_Wi_Fi_password, s.password);
  SendParameter(Param_IP_Master, EncodeAddress(s.masterAddress));
  SendParameter(Param_Wi_Fi_channel, EncodeByte(s.channel));
  SendParameter(Param_Security_Wi_Fi, EncodeByte(s.security));
  SendParameter(Param_Gateway, EncodeAddress(s.gateway));
  SendParameter(Param_Settings_transfer, EncodeByte(0));
  // The module restarts to take the new settings.
  Pause(100);
  SendParameter(Param_Wi_Fi_module_switch, EncodeByte(0));
  Pause(250);
  SendParameter(Param_Wi_Fi_module_switch, EncodeByte(1));
}
