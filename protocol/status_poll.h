// The once-a-second status poll, its answers, and the two maintenance
// commands.
#pragma once

#include <cstdint>
#include <optional>

#include "protocol/input_decoding.h"
#include "protocol/unit_link.h"

namespace ombrel {

inline constexpr unsigned kStatusPollIntervalMs = 1000;

// Asks for the Wi-Fi and the master connection state, 20 ms apart, and with
// `filterTime` after another 20 ms for the filter run time.
void WriteStatusRequests(const UnitLink& link, bool filterTime);

// What the status answers told. Empty until its answer came.
struct UnitStatus {
  std::optional<bool> wifiConnected;
  std::optional<bool> masterConnected;
  std::optional<std::uint32_t> filterRunSeconds;
};

// A connection state byte: 0 disconnected, any other value connected.
constexpr bool IsConnectedState(std::uint8_t state) { return state != 0; }

// Takes a status answer; false, changing nothing, for any other.
bool TakeStatusAnswer(UnitStatus& status, const InputParameter& answer);

// The filter run time as the filter label shows it.
struct FilterTimeParts {
  std::uint32_t days, hours, minutes, seconds;
};
FilterTimeParts SplitFilterTime(std::uint32_t seconds);

// "Restore default parameters": the unit returns to its factory settings,
// then the read-back starts so the restored settings are seen.
void RestoreDefaults(const UnitLink& link);

// "Reset the filter timer".
void ResetFilterTimer(const UnitLink& link);

}  // namespace ombrel
