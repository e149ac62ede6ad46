#include "protocol/device_settings.h"

#include "protocol/parameter_ids.h"

ombrel::WiFiSettings DeviceSettings;

namespace ombrel {

bool StoreReadBackAnswer(WiFiSettings& settings, const InputParameter& answer) {
  switch (answer.id) {
    case Param_Device_mode: settings.role = answer.byte; return true;
    case Param_Number_Slave: settings.slaveNumber = answer.byte; return true;
    case Param_IP_Slave_mode: settings.slaveAddressMode = answer.byte; return true;
    case Param_Type_of_connection: settings.connectionType = answer.byte; return true;
    case Param_Wi_Fi_channel: settings.channel = answer.byte; return true;
    case Param_Security_Wi_Fi: settings.security = answer.byte; return true;
    case Param_IP_Slave: settings.slaveAddress = answer.address; return true;
    case Param_IP_Master: settings.masterAddress = answer.address; return true;
    case Param_Gateway: settings.gateway = answer.address; return true;
    default: return false;
  }
}

}  // namespace ombrel
