#include "protocol/catalogue.h"

#include <gtest/gtest.h>

#include <set>

namespace ombrel {
namespace {

TEST(Catalogue, EveryNameHasItsId) {
  const struct {
    ParamID id;
    const char* name;
  } names[] = {
      {Param_AT_command, "Param_AT_command"},
      {Param_Wi_Fi_module_switch, "Param_Wi_Fi_module_switch"},
      {Param_Wi_Fi_scan, "Param_Wi_Fi_scan"},
      {Param_Device_mode, "Param_Device_mode"},
      {Param_Wi_Fi_name, "Param_Wi_Fi_name"},
      {Param_Wi_Fi_password, "Param_Wi_Fi_password"},
      {Param_Number_Slave, "Param_Number_Slave"},
      {Param_IP_Slave_mode, "Param_IP_Slave_mode"},
      {Param_IP_Slave, "Param_IP_Slave"},
      {Param_IP_Master, "Param_IP_Master"},
      {Param_Type_of_connection, "Param_Type_of_connection"},
      {Param_Settings_transfer, "Param_Settings_transfer"},
      {Param_Wi_Fi_channel, "Param_Wi_Fi_channel"},
      {Param_Security_Wi_Fi, "Param_Security_Wi_Fi"},
      {Param_Read_request, "Param_Read_request"},
      {Param_Serial_number, "Param_Serial_number"},
      {Param_Available_OFF_device, "Param_Available_OFF_device"},
      {Param_Direction, "Param_Direction"},
      {Param_Humidity_sensor, "Param_Humidity_sensor"},
      {Param_External_sensor1, "Param_External_sensor1"},
      {Param_External_sensor2, "Param_External_sensor2"},
      {Param_Humidity_sensor_threshold, "Param_Humidity_sensor_threshold"},
      {Param_External_sensor2_threshold, "Param_External_sensor2_threshold"},
      {Param_Timer_night_mode, "Param_Timer_night_mode"},
      {Param_Timer_party_mode, "Param_Timer_party_mode"},
      {Param_Timer_after_reacting_any_sensor, "Param_Timer_after_reacting_any_sensor"},
      {Param_Wi_Fi_State_connection, "Param_Wi_Fi_State_connection"},
      {Param_Timer_filter, "Param_Timer_filter"},
      {Param_Restore_default_parameters, "Param_Restore_default_parameters"},
      {Param_Reset_filter_timer, "Param_Reset_filter_timer"},
      {Param_Master_State_connection, "Param_Master_State_connection"},
      {Param_Direction_DUO, "Param_Direction_DUO"},
      {Param_Gateway, "Param_Gateway"},
  };
  // The IDs as the unit knows them, in the order above.
  const ParamID wire[] = {1,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 23, 24,
                          25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 38, 39, 40, 41, 43, 47};
  ASSERT_EQ(std::size(names), std::size(wire));
  ASSERT_EQ(Catalogue().size(), std::size(names));
  for (std::size_t i = 0; i < std::size(names); ++i) {
    EXPECT_EQ(names[i].id, wire[i]) << names[i].name;
    const CatalogueRow* row = FindCatalogueRow(names[i].id);
    ASSERT_NE(row, nullptr) << names[i].name;
    EXPECT_EQ(row->name, names[i].name);
  }
}

TEST(Catalogue, UnusedIdsHaveNoRow) {
  std::set<int> used;
  for (const CatalogueRow& row : Catalogue()) used.insert(row.id);
  for (int id = 0; id < 256; ++id) {
    EXPECT_EQ(FindCatalogueRow(static_cast<ParamID>(id)) != nullptr, used.count(id) == 1) << id;
  }
}

TEST(Catalogue, LayoutsOfParametersWithTwoOfThem) {
  // The scan marker goes out as a byte and comes back as a network list entry.
  const CatalogueRow* scan = FindCatalogueRow(Param_Wi_Fi_scan);
  ASSERT_NE(scan, nullptr);
  EXPECT_EQ(scan->out, ValueLayout::Byte);
  EXPECT_EQ(scan->in, ValueLayout::Text);
  // Read-only values are never written; commands are never answered.
  for (ParamID id : {Param_Serial_number, Param_Wi_Fi_State_connection, Param_Master_State_connection,
                     Param_Timer_filter}) {
    EXPECT_FALSE(FindCatalogueRow(id)->out) << int{id};
  }
  for (ParamID id : {Param_Wi_Fi_module_switch, Param_Settings_transfer, Param_Read_request,
                     Param_Restore_default_parameters, Param_Reset_filter_timer}) {
    EXPECT_FALSE(FindCatalogueRow(id)->in) << int{id};
  }
}

}  // namespace
}  // namespace ombrel
