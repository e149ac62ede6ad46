#include "sim/demo_unit.h"

#include <string>

namespace ombrel::sim {
namespace {

std::vector<VisibleNetwork> HomeNetworks() {
  return {{3, "Birchwood-Home", -48, "3c:52:a1:0e:77:10", 6},
          {4, "Birchwood-Guest", -55, "3c:52:a1:0e:77:11", 6},
          {3, "Neighbour 5G", -79, "f4:8c:eb:22:19:a0", 11},
          {0, "Cafe Free WiFi", -86, "08:bd:43:5e:01:c2", 1}};
}

}  // namespace

UnitModelConfig DemoUnitConfig(int number) {
  UnitModelConfig config;
  // Units of one delivery: PD2407311, PD2407312, ...
  config.productName = number % 2 == 0 ? kModelPendra : kModelPendraDuo;
  config.serialNumber = "PD" + std::to_string(2407310 + number);
  config.answerDelay = std::chrono::milliseconds(2);
  config.networks = HomeNetworks();
  return config;
}

void ConfigureDemoUnit(UnitModel& unit, int number) {
  if (number == kFirstDemoUnit) {
    unit.SetByte(Param_Device_mode, 1);
    unit.SetByte(Param_Type_of_connection, 1);
    unit.SetText(Param_Wi_Fi_name, "Birchwood-Home");
    unit.SetText(Param_Wi_Fi_password, "mossy-fern-42");
    unit.SetAddress(Param_IP_Master, {192, 168, 1, 50});
    unit.SetAddress(Param_Gateway, {192, 168, 1, 254});
    unit.SetByte(Param_Wi_Fi_channel, 6);
    unit.SetByte(Param_Security_Wi_Fi, '3');
    unit.SetByte(Param_Direction_DUO, 0);
    unit.SetByte(Param_Humidity_sensor_threshold, 60);
    unit.SetByte(Param_External_sensor2_threshold, 75);
    unit.SetByte(Param_External_sensor1, 0);
    unit.SetSeconds(Param_Timer_after_reacting_any_sensor, 15 * 60);
    unit.SetSeconds(Param_Timer_night_mode, 7 * 3600 + 30 * 60);
    unit.SetSeconds(Param_Timer_party_mode, 2 * 3600);
    unit.SetFilterRunSeconds(41 * 86400 + 5 * 3600 + 17 * 60);
  }
  // The filter runs on in real time.
  unit.UseClock([] { return std::chrono::steady_clock::now(); });
}

DemoNetwork::DemoNetwork(UnitModel& unit) : unit_(unit), seenTransfers_(unit.CompletedSettingsTransfers()) {
  unit_.SetWiFiState(1);
}

void DemoNetwork::Step(Clock::time_point now) {
  const int transfers = unit_.CompletedSettingsTransfers();
  if (transfers != seenTransfers_ && unit_.WiFiModuleSwitch() == 1) {
    seenTransfers_ = transfers;
    unit_.SetWiFiState(0);
    unit_.SetMasterState(0);
    connectAt_ = now + kReconnectTime;
  }
  if (connectAt_ && now >= *connectAt_) {
    connectAt_.reset();
    Settle();
  }
}

void DemoNetwork::Settle() {
  const auto role = unit_.StoredValue(Param_Device_mode);
  const auto connection = unit_.StoredValue(Param_Type_of_connection);
  const bool slave = !role.empty() && role[0] == 0;
  const bool withRouter = !connection.empty() && connection[0] == 1;
  unit_.SetWiFiState(withRouter || slave ? 1 : 0);
  unit_.SetMasterState(slave ? 1 : 0);
}

}  // namespace ombrel::sim
