#include "protocol/catalogue.h"

#include <algorithm>
#include <array>

namespace ombrel {
namespace {

using L = ValueLayout;
constexpr std::optional<ValueLayout> kNone;

constexpr std::array kRows{
    CatalogueRow{Param_AT_command, "Param_AT_command", L::Text, L::Text},
    CatalogueRow{Param_Wi_Fi_module_switch, "Param_Wi_Fi_module_switch", L::Byte, kNone},
    CatalogueRow{Param_Wi_Fi_scan, "Param_Wi_Fi_scan", L::Byte, L::Text},
    CatalogueRow{Param_Device_mode, "Param_Device_mode", L::Byte, L::Byte},
    CatalogueRow{Param_Wi_Fi_name, "Param_Wi_Fi_name", L::Text, L::Text},
    CatalogueRow{Param_Wi_Fi_password, "Param_Wi_Fi_password", L::Text, L::Text},
    CatalogueRow{Param_Number_Slave, "Param_Number_Slave", L::Byte, L::Byte},
    CatalogueRow{Param_IP_Slave_mode, "Param_IP_Slave_mode", L::Byte, L::Byte},
    CatalogueRow{Param_IP_Slave, "Param_IP_Slave", L::Address, L::Address},
    CatalogueRow{Param_IP_Master, "Param_IP_Master", L::Address, L::Address},
    CatalogueRow{Param_Type_of_connection, "Param_Type_of_connection", L::Byte, L::Byte},
    CatalogueRow{Param_Settings_transfer, "Param_Settings_transfer", L::Byte, kNone},
    CatalogueRow{Param_Wi_Fi_channel, "Param_Wi_Fi_channel", L::Byte, L::Byte},
    CatalogueRow{Param_Security_Wi_Fi, "Param_Security_Wi_Fi", L::Digit, L::Digit},
    CatalogueRow{Param_Read_request, "Param_Read_request", L::Byte, kNone},
    CatalogueRow{Param_Serial_number, "Param_Serial_number", kNone, L::CountedText},
    CatalogueRow{Param_Available_OFF_device, "Param_Available_OFF_device", L::Byte, L::Byte},
    CatalogueRow{Param_Direction, "Param_Direction", L::Byte, L::Byte},
    CatalogueRow{Param_Humidity_sensor, "Param_Humidity_sensor", L::Byte, L::Byte},
    CatalogueRow{Param_External_sensor1, "Param_External_sensor1", L::Byte, L::Byte},
    CatalogueRow{Param_External_sensor2, "Param_External_sensor2", L::Byte, L::Byte},
    CatalogueRow{Param_Humidity_sensor_threshold, "Param_Humidity_sensor_threshold", L::Byte,
                 L::Byte},
    CatalogueRow{Param_External_sensor2_threshold, "Param_External_sensor2_threshold", L::Byte,
                 L::Byte},
    CatalogueRow{Param_Timer_night_mode, "Param_Timer_night_mode", L::Seconds, L::Seconds},
    CatalogueRow{Param_Timer_party_mode, "Param_Timer_party_mode", L::Seconds, L::Seconds},
    CatalogueRow{Param_Timer_after_reacting_any_sensor, "Param_Timer_after_reacting_any_sensor",
                 L::Seconds, L::Seconds},
    CatalogueRow{Param_Wi_Fi_State_connection, "Param_Wi_Fi_State_connection", kNone, L::Byte},
    CatalogueRow{Param_Timer_filter, "Param_Timer_filter", kNone, L::Seconds},
    CatalogueRow{Param_Restore_default_parameters, "Param_Restore_default_parameters", L::Byte,
                 kNone},
    CatalogueRow{Param_Reset_filter_timer, "Param_Reset_filter_timer", L::Byte, kNone},
    CatalogueRow{Param_Master_State_connection, "Param_Master_State_connection", kNone, L::Byte},
    CatalogueRow{Param_Direction_DUO, "Param_Direction_DUO", L::Byte, L::Byte},
    CatalogueRow{Param_Gateway, "Param_Gateway", L::Address, L::Address},
};

static_assert(std::is_sorted(kRows.begin(), kRows.end(),
                             [](const CatalogueRow& a, const CatalogueRow& b) { return a.id < b.id; }));

}  // namespace

std::span<const CatalogueRow> Catalogue() { return kRows; }

const CatalogueRow* FindCatalogueRow(ParamID id) {
  const auto it = std::lower_bound(kRows.begin(), kRows.end(), id,
                                   [](const CatalogueRow& row, ParamID key) { return row.id < key; });
  return it != kRows.end() && it->id == id ? &*it : nullptr;
}

}  // namespace ombrel
