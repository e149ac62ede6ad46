#pragma once

#include <cstdint>
#include <string>

#include "protocol/input_decoding.h"
#include "protocol/value_layouts.h"

namespace ombrel {

// The last known value of each Wi-Fi parameter. The Wi-Fi upload sends every
// entry, so an entry that the window does not supply in the chosen mode goes
// out as last known. Addresses are kept as four octets on every path, so
// they always go out in the address layout.
struct WiFiSettings {
  std::uint8_t role = 0;                // 5: 1 master, 0 slave
  std::u16string networkName{};         // 6
  std::u16string password{};            // 7
  std::uint8_t slaveNumber = 0;         // 8: slave number minus 1
  std::uint8_t slaveAddressMode = 0;    // 9: 1 DHCP, 0 static
  Ipv4Octets slaveAddress{};            // 10
  Ipv4Octets masterAddress{};           // 11
  std::uint8_t connectionType = 0;      // 12: 1 with router, 2 without
  std::uint8_t channel = 0;             // 14
  std::uint8_t security = 0;            // 15: the wire digit, 0 until known
  Ipv4Octets gateway{};                 // 47
};

// Keeps what the read-back learns about the Wi-Fi settings from one answer:
// the byte and digit values, and the addresses as their octets. Returns
// false, changing nothing, for an answer that is no such value.
bool StoreReadBackAnswer(WiFiSettings& settings, const InputParameter& answer);

}  // namespace ombrel

// The program's one record, empty at start and kept for its lifetime.
extern ombrel::WiFiSettings DeviceSettings;
