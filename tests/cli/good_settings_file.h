// A settings file that writes, as `ombrel-cli read` prints one, with its
// line numbers: the ground the tests of bad files change one line of.
#pragma once

#include <string>

namespace ombrel::test {

inline const std::string kWiFi =
    "[wifi]\n"                        // 1
    "role = master\n"                 // 2
    "router = no\n"                   // 3
    "name = \"Kirrowind_Pendra\"\n"   // 4
    "password = \"12345678\"\n"       // 5
    "security = WPA2_PSK\n"           // 6
    "channel = 6\n"                   // 7
    "slave_number = 1\n"              // 8
    "slave_address_mode = dhcp\n"     // 9
    "slave_address = 192.168.4.2\n"   // 10
    "master_address = 192.168.4.1\n"  // 11
    "gateway = 192.168.4.1\n";        // 12
inline const std::string kFan =
    "[fan]\n"                                  // 13
    "off_allowed = yes\n"                      // 14
    "direction = supply\n"                     // 15
    "humidity_sensor = on\n"                   // 16
    "relay_sensor = on\n"                      // 17
    "sensor_0_10v = on\n"                      // 18
    "humidity_threshold = 70\n"                // 19
    "sensor_0_10v_threshold = 50\n"            // 20
    "turn_off_delay = 00:10\n"                 // 21
    "night_mode_timer = 08:00\n"               // 22
    "party_mode_timer = 01:00\n"               // 23
    "humidity_scenario = boost-and-exhaust\n"; // 24

}  // namespace ombrel::test
