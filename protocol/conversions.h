#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/value_layouts.h"

// Conversions between wire values and what the window's controls hold.

namespace ombrel {

// "HH:MM" for a time field: hours taken modulo 24, seconds dropped.
std::string TimeTextFromSeconds(std::uint32_t seconds);

// Seconds of a time field's "HH:MM": hours from characters 1-2, minutes from
// 4-5, character 3 not looked at. Empty when the text is not five characters
// or those four are not decimal digits.
std::optional<std::uint32_t> SecondsFromTimeText(std::string_view text);

struct TrackBarRange {
  int min;
  int max;
};
inline constexpr TrackBarRange kHumidityTrackBar{8, 16};
inline constexpr TrackBarRange kExternalSensor2TrackBar{1, 20};

// Track bar position for a threshold in percent: percent / 5 rounded to the
// nearest whole number, clamped to the bar's range.
int TrackBarPositionFromPercent(std::uint8_t percent, TrackBarRange range);

// The threshold a track bar position stands for.
std::uint8_t PercentFromTrackBarPosition(int position);

// "a.b.c.d", decimal without leading zeros.
std::string DottedText(const Ipv4Octets& octets);

// Reads an address text as an address field does: blanks at both ends are
// removed; the parts before the first three '.' are octets 1 to 3 and the
// rest is octet 4; a missing part or one that is not a decimal number counts
// as 0; a number above 255 leaves that octet as it was in `current`.
Ipv4Octets OctetsFromDottedText(std::string_view text, const Ipv4Octets& current = {});

// Security: the wire digit of parameter 15 and the item index of the
// security list (0 OPEN "0", 1 WPA_PSK "2", 2 WPA2_PSK "3", 3 WPA_WPA2_PSK "4").
std::optional<int> SecurityIndexFromDigit(std::uint8_t digit);
std::optional<std::uint8_t> SecurityDigitFromIndex(int index);

}  // namespace ombrel
