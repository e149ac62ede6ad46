#include "protocol/wifi_upload.h"

#include "protocol/conversions.h"

namespace ombrel {

std::optional<UploadRefusal> TakeWiFiPage(WiFiSettings& s, const WiFiPage& page) {
  std::optional<UploadRefusal> refusal;
  const auto refuse = [&refusal](int row) {
    if (!refusal) refusal = UploadRefusal{row};
  };
  const bool nameEmpty = page.networkName.empty();

  if (page.master) {
    s.role = 1;
    if (page.withRouter) {
      s.connectionType = 1;
      s.masterAddress = page.masterAddress;
      if (nameEmpty) refuse(kRowNameLength);
    } else {
      s.connectionType = 2;
      s.masterAddress = kAccessPointAddress;
      if (!page.channel) return UploadRefusal{};
      s.channel = *page.channel;
      if (const auto digit = SecurityDigitFromIndex(page.securityIndex)) s.security = *digit;
      if (page.password.size() < kMinPasswordLength && page.securityIndex != kSecurityOpen) {
        refuse(kRowPasswordLength);
      }
    }
  } else {
    s.role = 0;
    s.connectionType = 1;  // a slave always joins a network
    if (!page.slaveNumber) return UploadRefusal{};
    s.slaveNumber = static_cast<std::uint8_t>(*page.slaveNumber - 1);
    s.slaveAddress = page.slaveAddress;
    if (nameEmpty) refuse(kRowNameLength);
    if (page.withRouter) {
      s.masterAddress = page.masterAddress;
      s.slaveAddressMode = page.slaveAddressIndex == kSlaveAddressDhcp ? 1 : 0;
    } else {
      s.masterAddress = kAccessPointAddress;
      s.slaveAddressMode = 1;
    }
  }
  s.networkName = page.networkName;
  s.password = page.password;
  s.gateway = page.gateway;
  return refusal;
}

void WriteWiFiSettings(const WiFiSettings& s, const UnitLink& link) {
  link.send(Param_Settings_transfer, EncodeByte(1));
  link.send(Param_Number_Slave, EncodeByte(s.slaveNumber));
  link.send(Param_IP_Slave_mode, EncodeByte(s.slaveAddressMode));
  link.send(Param_IP_Slave, EncodeAddress(s.slaveAddress));
  link.send(Param_Device_mode, EncodeByte(s.role));
  link.send(Param_Type_of_connection, EncodeByte(s.connectionType));
  link.send(Param_Wi_Fi_name, s.networkName);
  link.send(Param_Wi_Fi_password, s.password);
  link.send(Param_IP_Master, EncodeAddress(s.masterAddress));
  link.send(Param_Wi_Fi_channel, EncodeByte(s.channel));
  link.send(Param_Security_Wi_Fi, EncodeByte(s.security));
  link.send(Param_Gateway, EncodeAddress(s.gateway));
  link.send(Param_Settings_transfer, EncodeByte(0));
  // The module restarts to take the new settings.
  link.pause(100);
  link.send(Param_Wi_Fi_module_switch, EncodeByte(0));
  link.pause(250);
  link.send(Param_Wi_Fi_module_switch, EncodeByte(1));
}

std::optional<UploadRefusal> UploadWiFi(WiFiSettings& settings, const WiFiPage& page,
                                        const UnitLink& link) {
  if (auto refusal = TakeWiFiPage(settings, page)) return refusal;
  WriteWiFiSettings(settings, link);
  return std::nullopt;
}

}  // namespace ombrel
