#include "sim/factory_settings.h"

#include <string_view>

namespace ombrel::sim {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Seconds(std::uint32_t s) {
  return {static_cast<std::uint8_t>(s >> 16), static_cast<std::uint8_t>(s >> 8), static_cast<std::uint8_t>(s)};
}

}  // namespace

std::map<ParamID, std::vector<std::uint8_t>> FactorySettings() {
  // A master with its own access point, which is how a unit is set up first.
  return {
      {Param_Device_mode, {1}},
      {Param_Type_of_connection, {2}},
      {Param_Wi_Fi_name, Bytes("Kirrowind_Pendra")},
      {Param_Wi_Fi_password, Bytes("12345678")},
      {Param_Number_Slave, {0}},
      {Param_IP_Slave_mode, {1}},
      {Param_IP_Slave, {192, 168, 4, 2}},
      {Param_IP_Master, {192, 168, 4, 1}},
      {Param_Wi_Fi_channel, {6}},
      {Param_Security_Wi_Fi, {'3'}},
      {Param_Available_OFF_device, {1}},
      {Param_Direction, {0}},
      {Param_Humidity_sensor, {1}},
      {Param_External_sensor1, {1}},
      {Param_External_sensor2, {1}},
      {Param_Humidity_sensor_threshold, {70}},
      {Param_External_sensor2_threshold, {50}},
      {Param_Timer_after_reacting_any_sensor, Seconds(10 * 60)},
      {Param_Timer_night_mode, Seconds(8 * 3600)},
      {Param_Timer_party_mode, Seconds(3600)},
      {Param_Direction_DUO, {1}},
      {Param_Gateway, {192, 168, 4, 1}},
  };
}

bool IsStoredSetting(ParamID id) {
  // The factory table names every stored setting once.
  static const auto factory = FactorySettings();
  return factory.contains(id);
}

}  // namespace ombrel::sim
