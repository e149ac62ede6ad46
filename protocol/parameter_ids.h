#pragma once

#include <cstdint>

// Parameter IDs of the unit. Every write to the unit, a read request
// included, names one of these in byte 1 of the report; every answer carries
// one in the same place.

using ParamID = std::uint8_t;

inline constexpr ParamID Param_AT_command = 1;
inline constexpr ParamID Param_Wi_Fi_module_switch = 3;
inline constexpr ParamID Param_Wi_Fi_scan = 4;
inline constexpr ParamID Param_Device_mode = 5;
inline constexpr ParamID Param_Wi_Fi_name = 6;
inline constexpr ParamID Param_Wi_Fi_password = 7;
inline constexpr ParamID Param_Number_Slave = 8;
inline constexpr ParamID Param_IP_Slave_mode = 9;
inline constexpr ParamID Param_IP_Slave = 10;
inline constexpr ParamID Param_IP_Master = 11;
inline constexpr ParamID Param_Type_of_connection = 12;
inline constexpr ParamID Param_Settings_transfer = 13;
inline constexpr ParamID Param_Wi_Fi_channel = 14;
inline constexpr ParamID Param_Security_Wi_Fi = 15;
inline constexpr ParamID Param_Read_request = 16;
inline constexpr ParamID Param_Serial_number = 23;
inline constexpr ParamID Param_Available_OFF_device = 24;
inline constexpr ParamID Param_Direction = 25;
inline constexpr ParamID Param_Humidity_sensor = 26;
inline constexpr ParamID Param_External_sensor1 = 27;
inline constexpr ParamID Param_External_sensor2 = 28;
inline constexpr ParamID Param_Humidity_sensor_threshold = 29;
inline constexpr ParamID Param_External_sensor2_threshold = 30;
inline constexpr ParamID Param_Timer_night_mode = 31;
inline constexpr ParamID Param_Timer_party_mode = 32;
inline constexpr ParamID Param_Timer_after_reacting_any_sensor = 33;
inline constexpr ParamID Param_Wi_Fi_State_connection = 34;
inline constexpr ParamID Param_Timer_filter = 38;
inline constexpr ParamID Param_Restore_default_parameters = 39;
inline constexpr ParamID Param_Reset_filter_timer = 40;
inline constexpr ParamID Param_Master_State_connection = 41;
inline constexpr ParamID Param_Direction_DUO = 43;
inline constexpr ParamID Param_Gateway = 47;
