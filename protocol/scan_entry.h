#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

// The network name in one entry of the Wi-Fi module's network list (the text
// of a parameter 4 answer): what lies after the first `,"` and before the
// first `",`. Without a closing mark the name is empty; without an opening
// one it starts at the entry's second character.
std::u16string NetworkNameFromScanEntry(std::u16string_view entry);

// Everything one entry tells of a network, as the module lists it:
// +CWLAP:(3,"Home",-60,"aa:bb:cc:dd:ee:ff",6). A field the entry lacks or
// that is not a number where one belongs is left empty.
struct ScanEntryDetails {
  std::u16string name;            // as NetworkNameFromScanEntry takes it
  std::optional<int> encryption;  // the module's code: 0 open, 1 WEP, 2 WPA_PSK, 3 WPA2_PSK, 4 WPA_WPA2_PSK
  std::optional<int> rssi;        // signal strength in dBm
  std::u16string mac;
  std::optional<int> channel;
};
ScanEntryDetails ScanEntryDetailsOf(std::u16string_view entry);

}  // namespace ombrel
