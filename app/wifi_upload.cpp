// "Apply/Save" of the Wi-Fi page: the page's controls go to the unit work,
// which checks them for the chosen mode and sends the whole Wi-Fi set; a
// refusal is shown here.

#include <QComboBox>
#include <QLineEdit>

#include <stdexcept>

#include "app/jv_ip_address.h"
#include "app/lang_qt.h"
#include "app/main_window.h"
#include "app/number_text.h"
#include "app/show_message.h"
#include "app/window_link.h"
#include "protocol/device_settings.h"
#include "protocol/wifi_upload.h"

using namespace ombrel;

namespace {

Ipv4Octets OctetsOf(const TJvIPAddress* field) {
  return {static_cast<std::uint8_t>(field->AddressValue(1)), static_cast<std::uint8_t>(field->AddressValue(2)),
          static_cast<std::uint8_t>(field->AddressValue(3)), static_cast<std::uint8_t>(field->AddressValue(4))};
}

// The number written in the list's selected item; empty without one.
std::optional<std::uint8_t> NumberOf(const QComboBox* list) {
  try {
    return static_cast<std::uint8_t>(NumberOfText(list->currentText()));
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

}  // namespace

void TForm1::Button_Apply_Save_Wi_FiClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  WiFiPage page;
  page.master = RadioButton_master->isChecked();
  page.withRouter = RadioButton_with_router->isChecked();
  page.networkName = ComboBox_Wi_Fi_name->currentText().toStdU16String();
  page.password = Edit_Password->text().toStdU16String();
  page.channel = NumberOf(ComboBox_Wi_Fi_channel);
  page.slaveNumber = NumberOf(ComboBox_Number_Slave);
  page.securityIndex = ComboBox_Security_WI_FI->currentIndex();
  page.slaveAddressIndex = ComboBox_IP_Slave->currentIndex();
  page.masterAddress = OctetsOf(JvIPAddress_IP_Master);
  page.slaveAddress = OctetsOf(JvIPAddress_IP_Slave);
  page.gateway = OctetsOf(JvGateway);

  const auto refusal = UploadWiFi(DeviceSettings, page, WindowLink());
  if (!refusal) return;
  if (refusal->row) {
    ShowMessage(LangQ(static_cast<std::size_t>(*refusal->row)));
    return;
  }
  // The list the mode needed a number from has none: its conversion fails
  // with the toolkit's own message, as typing a number would.
  NumberOfText((page.master ? ComboBox_Wi_Fi_channel : ComboBox_Number_Slave)->currentText());
}
