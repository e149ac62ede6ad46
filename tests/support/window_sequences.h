// What the window's Apply/Save buttons write, listed write by write from
// named values: the expected side of the upload and round-trip tests.
#pragma once

#include <cstdint>

#include "protocol/device_settings.h"
#include "tests/support/frames.h"

namespace ombrel::test {

// The fifteen writes of an accepted Wi-Fi upload of `sent`, in the unit's
// order: the transfer of every entry, then the module off and on (with
// pauses of 100 ms before the first and 250 ms between them).
inline Reports WindowWiFiUpload(const WiFiSettings& sent) {
  return Concat({Frames(13, Byte(1)), Frames(8, Byte(sent.slaveNumber)), Frames(9, Byte(sent.slaveAddressMode)),
                 Frames(10, Octets(sent.slaveAddress)), Frames(5, Byte(sent.role)),
                 Frames(12, Byte(sent.connectionType)), Frames(6, sent.networkName), Frames(7, sent.password),
                 Frames(11, Octets(sent.masterAddress)), Frames(14, Byte(sent.channel)),
                 Frames(15, Byte(sent.security)), Frames(47, Octets(sent.gateway)), Frames(13, Byte(0)),
                 Frames(3, Byte(0)), Frames(3, Byte(1))});
}

// The Fan page's values as the unit stores them.
struct FanValues {
  std::uint8_t offAllowed = 1;
  std::uint8_t direction = 0;  // 0 supply, 1 exhaust
  std::uint8_t humiditySensor = 1;
  std::uint8_t relaySensor = 1;
  std::uint8_t sensor0To10V = 1;
  std::uint8_t humidityThreshold = 70;
  std::uint8_t sensor0To10VThreshold = 50;
  std::uint32_t turnOffDelay = 0;  // seconds
  std::uint32_t nightMode = 0;
  std::uint32_t partyMode = 0;
  std::uint8_t scenario = 1;  // 1 boost and switch to exhaust, 0 boost in the current mode
};

// The thirteen writes of the Fan upload, without pauses.
inline Reports WindowFanUpload(const FanValues& v) {
  return Concat({Frames(13, Byte(1)), Frames(24, Byte(v.offAllowed)), Frames(25, Byte(v.direction)),
                 Frames(26, Byte(v.humiditySensor)), Frames(27, Byte(v.relaySensor)),
                 Frames(28, Byte(v.sensor0To10V)), Frames(29, Byte(v.humidityThreshold)),
                 Frames(30, Byte(v.sensor0To10VThreshold)), Frames(33, Seconds(v.turnOffDelay)),
                 Frames(31, Seconds(v.nightMode)), Frames(32, Seconds(v.partyMode)), Frames(43, Byte(v.scenario)),
                 Frames(13, Byte(0))});
}

}  // namespace ombrel::test
