// Units in each Wi-Fi mode, with what the window's Apply/Save buttons
// write for them after reading them back: the round trip of ombrel-cli and
// the window's own run are both checked against these.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "protocol/device_settings.h"
#include "sim/unit_model.h"
#include "tests/support/window_sequences.h"

namespace ombrel::test {

// What a unit holds.
struct Stored {
  WiFiSettings wifi;
  FanValues fan;
};

inline void Store(sim::UnitModel& unit, const Stored& s) {
  unit.SetByte(Param_Device_mode, s.wifi.role);
  unit.SetByte(Param_Type_of_connection, s.wifi.connectionType);
  unit.SetText(Param_Wi_Fi_name, std::string(s.wifi.networkName.begin(), s.wifi.networkName.end()));
  unit.SetText(Param_Wi_Fi_password, std::string(s.wifi.password.begin(), s.wifi.password.end()));
  unit.SetByte(Param_Number_Slave, s.wifi.slaveNumber);
  unit.SetByte(Param_IP_Slave_mode, s.wifi.slaveAddressMode);
  unit.SetAddress(Param_IP_Slave, s.wifi.slaveAddress);
  unit.SetAddress(Param_IP_Master, s.wifi.masterAddress);
  unit.SetByte(Param_Wi_Fi_channel, s.wifi.channel);
  unit.SetByte(Param_Security_Wi_Fi, s.wifi.security);
  unit.SetAddress(Param_Gateway, s.wifi.gateway);
  unit.SetByte(Param_Available_OFF_device, s.fan.offAllowed);
  unit.SetByte(Param_Direction, s.fan.direction);
  unit.SetByte(Param_Humidity_sensor, s.fan.humiditySensor);
  unit.SetByte(Param_External_sensor1, s.fan.relaySensor);
  unit.SetByte(Param_External_sensor2, s.fan.sensor0To10V);
  unit.SetByte(Param_Humidity_sensor_threshold, s.fan.humidityThreshold);
  unit.SetByte(Param_External_sensor2_threshold, s.fan.sensor0To10VThreshold);
  unit.SetSeconds(Param_Timer_after_reacting_any_sensor, s.fan.turnOffDelay);
  unit.SetSeconds(Param_Timer_night_mode, s.fan.nightMode);
  unit.SetSeconds(Param_Timer_party_mode, s.fan.partyMode);
  unit.SetByte(Param_Direction_DUO, s.fan.scenario);
}

struct RoundTripCase {
  const char* mode;
  Stored stored;
  // What the window writes for it.
  WiFiSettings wifiSent;
  FanValues fanSent;
};

// Names the case in test listings instead of its bytes.
inline void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.mode; }

// A master joined to the house's router.
inline const WiFiSettings kHome{.role = 1,
                                .networkName = u"Birchwood-Home",
                                .password = u"mossy-fern-42",
                                .slaveNumber = 4,
                                .slaveAddressMode = 0,
                                .slaveAddress = {192, 168, 1, 77},
                                .masterAddress = {192, 168, 1, 50},
                                .connectionType = 1,
                                .channel = 6,
                                .security = '3',
                                .gateway = {192, 168, 1, 254}};

inline WiFiSettings With(WiFiSettings s, auto change) {
  change(s);
  return s;
}

inline std::vector<RoundTripCase> RoundTripCases() {
  return {
        // Every value goes back as the unit holds it.
        RoundTripCase{"MasterWithRouter", {kHome, {}}, kHome, {}},
        // The access point is always at 192.168.4.1, whatever the unit held;
        // thresholds and times go back as the window shows them.
        RoundTripCase{"MasterWithoutRouter",
                      {With(kHome,
                            [](WiFiSettings& s) {
                              s.connectionType = 2;
                              s.networkName = u"Kirrowind_Pendra";
                              s.password = u"12345678";
                              s.masterAddress = {10, 9, 9, 9};
                              s.channel = 11;
                              s.security = '4';
                            }),
                       {.offAllowed = 0, .direction = 1, .humiditySensor = 0, .relaySensor = 1, .sensor0To10V = 0,
                        .humidityThreshold = 72, .sensor0To10VThreshold = 100, .turnOffDelay = 90000,
                        .nightMode = 5459, .partyMode = 86340, .scenario = 0}},
                      With(kHome,
                           [](WiFiSettings& s) {
                             s.connectionType = 2;
                             s.networkName = u"Kirrowind_Pendra";
                             s.password = u"12345678";
                             s.masterAddress = {192, 168, 4, 1};
                             s.channel = 11;
                             s.security = '4';
                           }),
                      {.offAllowed = 0, .direction = 1, .humiditySensor = 0, .relaySensor = 1, .sensor0To10V = 0,
                       .humidityThreshold = 70, .sensor0To10VThreshold = 100, .turnOffDelay = 3600,
                       .nightMode = 5400, .partyMode = 86340, .scenario = 0}},
        // A slave always writes connection type 1; its static address mode
        // and number go back as held.
        RoundTripCase{"SlaveWithRouter",
                      {With(kHome,
                            [](WiFiSettings& s) {
                              s.role = 0;
                              s.connectionType = 2;
                              s.slaveNumber = 31;
                              s.slaveAddress = {192, 168, 1, 61};
                            }),
                       {}},
                      With(kHome,
                           [](WiFiSettings& s) {
                             s.role = 0;
                             s.connectionType = 1;
                             s.slaveNumber = 31;
                             s.slaveAddress = {192, 168, 1, 61};
                           }),
                      {}},
        // The master's own network: no router, so the master's address is
        // the access point's and the slave's comes by DHCP.
        RoundTripCase{"SlaveWithoutRouter",
                      {With(kHome,
                            [](WiFiSettings& s) {
                              s.role = 0;
                              s.networkName = u"Kirrowind_Pendra";
                              s.password = u"12345678";
                              s.slaveNumber = 0;
                              s.slaveAddressMode = 0;
                              s.slaveAddress = {192, 168, 4, 2};
                            }),
                       {}},
                      With(kHome,
                           [](WiFiSettings& s) {
                             s.role = 0;
                             s.connectionType = 1;
                             s.networkName = u"Kirrowind_Pendra";
                             s.password = u"12345678";
                             s.slaveNumber = 0;
                             s.slaveAddressMode = 1;
                             s.slaveAddress = {192, 168, 4, 2};
                             s.masterAddress = {192, 168, 4, 1};
                           }),
                      {}}};
}

// What ombrel-cli sends of the Fan page: as the window, but the timers as
// the unit holds them (the window's fields show hours modulo 24 and minutes).
inline FanValues CliFanSent(const RoundTripCase& c) {
  FanValues sent = c.fanSent;
  sent.turnOffDelay = c.stored.fan.turnOffDelay;
  sent.nightMode = c.stored.fan.nightMode;
  sent.partyMode = c.stored.fan.partyMode;
  return sent;
}

}  // namespace ombrel::test
