// The Fan settings upload: every fan setting of the Fan page goes to the
// unit in one transfer, both direction pairs whichever model is shown.
#pragma once

#include <cstdint>

#include "protocol/conversions.h"
#include "protocol/unit_link.h"

namespace ombrel {

// The Fan page as its controls stand, without the window. Defaults are the
// layout's.
struct FanPage {
  bool offAllowed = true;
  bool exhaust = false;  // the air direction: exhaust, else supply
  bool humiditySensor = true;
  bool relaySensor = true;
  bool sensor0To10V = true;
  int humidityPosition = 14;      // track bar, kHumidityTrackBar
  int sensor0To10VPosition = 10;  // track bar, kExternalSensor2TrackBar
  // Seconds of the HH:MM time fields.
  std::uint32_t turnOffDelay = 0;
  std::uint32_t nightMode = 0;
  std::uint32_t partyMode = 0;
  // The humidity control scenario: boost and switch to exhaust, else boost
  // in the current mode.
  bool boostAndExhaust = true;

  friend bool operator==(const FanPage&, const FanPage&) = default;
};

// Apply/Save of the Fan page: thirteen writes without pauses.
void UploadFan(const FanPage& page, const UnitLink& link);

}  // namespace ombrel
