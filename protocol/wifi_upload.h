// The Wi-Fi settings upload: what the Wi-Fi page offers in its mode is taken
// into the last known settings and checked, then the whole Wi-Fi set goes to
// the unit in one transfer and the Wi-Fi module restarts. What the mode does
// not offer goes out as last known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/device_settings.h"
#include "protocol/unit_link.h"
#include "protocol/value_layouts.h"

namespace ombrel {

// Without a router the master is the access point, always at this address.
inline constexpr Ipv4Octets kAccessPointAddress{192, 168, 4, 1};
// A slave joins its master's own network, whose name begins so.
inline constexpr std::u16string_view kAccessPointNamePrefix = u"Kirrowind";

// What a person may type: the name box and the password entry stop there.
inline constexpr std::size_t kMaxNetworkNameLength = 32;
inline constexpr std::size_t kMaxPasswordLength = 60;
// The access point's password when its security is not OPEN.
inline constexpr std::size_t kMinPasswordLength = 8;

// Item indexes of the security list and of the slave address mode list.
inline constexpr int kSecurityOpen = 0;
inline constexpr int kSlaveAddressDhcp = 0;
inline constexpr int kSlaveAddressStatic = 1;

// Message-table rows of the checks.
inline constexpr int kRowNameLength = 57;
inline constexpr int kRowPasswordLength = 58;

// The Wi-Fi page as its controls stand, without the window. Defaults are
// the layout's: a master without a router, WPA_WPA2_PSK on channel 11.
struct WiFiPage {
  bool master = true;
  bool withRouter = false;
  std::u16string networkName{};
  std::u16string password{};
  // The number written in the selected item of the channel list (1 to 13)
  // and of the slave number list (1 to 32); empty when none is selected.
  std::optional<std::uint8_t> channel = 11;
  std::optional<std::uint8_t> slaveNumber = 1;
  int securityIndex = 3;  // 0 OPEN, 1 WPA_PSK, 2 WPA2_PSK, 3 WPA_WPA2_PSK; -1 none
  int slaveAddressIndex = kSlaveAddressDhcp;  // -1 none
  Ipv4Octets masterAddress{192, 168, 0, 2};
  Ipv4Octets slaveAddress{192, 168, 0, 3};
  Ipv4Octets gateway{192, 168, 0, 1};
};

// Why an upload was refused.
struct UploadRefusal {
  // The message-table row to show; empty when a list the mode needs a
  // number from has no selected item, which the window reports as its
  // toolkit's failed number conversion.
  std::optional<int> row;
  friend bool operator==(const UploadRefusal&, const UploadRefusal&) = default;
};

// Takes what the page offers in its mode into `settings` and checks it.
// A failed check does not stop the taking: everything the mode offers is
// kept for the next upload, and the first failed check is returned. A list
// without a selection ends the taking at that point.
std::optional<UploadRefusal> TakeWiFiPage(WiFiSettings& settings, const WiFiPage& page);

// The transfer: every entry of `settings` in the unit's order, bracketed by
// the settings transfer, then the module's restart with its two pauses.
void WriteWiFiSettings(const WiFiSettings& settings, const UnitLink& link);

// Apply/Save of the Wi-Fi page: take, check, and write unless refused.
std::optional<UploadRefusal> UploadWiFi(WiFiSettings& settings, const WiFiPage& page,
                                        const UnitLink& link);

}  // namespace ombrel
