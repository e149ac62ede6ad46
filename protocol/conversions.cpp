#include "protocol/conversions.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace ombrel {
namespace {

constexpr std::array<std::uint8_t, 4> kSecurityDigits{'0', '2', '3', '4'};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number of ASCII digits only; empty for anything else or above 255.
std::optional<std::uint8_t> Octet(std::string_view part) {
  if (part.empty()) return 0;
  unsigned value = 0;
  for (char c : part) {
    if (!IsDigit(c)) return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 255) return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string TimeTextFromSeconds(std::uint32_t seconds) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u:%02u", static_cast<unsigned>((seconds / 3600) % 24),
                static_cast<unsigned>((seconds / 60) % 60));
  return text;
}

std::optional<std::uint32_t> SecondsFromTimeText(std::string_view text) {
  if (text.size() != 5 || !IsDigit(text[0]) || !IsDigit(text[1]) || !IsDigit(text[3]) ||
      !IsDigit(text[4])) {
    return std::nullopt;
  }
  const std::uint32_t hours = static_cast<std::uint32_t>((text[0] - '0') * 10 + (text[1] - '0'));
  const std::uint32_t minutes = static_cast<std::uint32_t>((text[3] - '0') * 10 + (text[4] - '0'));
  return hours * 3600 + minutes * 60;
}

int TrackBarPositionFromPercent(std::uint8_t percent, TrackBarRange range) {
  // percent / 5 is never halfway between two whole numbers.
  const int rounded = (percent + 2) / 5;
  return std::clamp(rounded, range.min, range.max);
}

std::uint8_t PercentFromTrackBarPosition(int position) {
  return static_cast<std::uint8_t>(position * 5);
}

std::string DottedText(const Ipv4Octets& octets) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
  return text;
}

Ipv4Octets OctetsFromDottedText(std::string_view text, const Ipv4Octets& current) {
  Ipv4Octets result = current;
  std::string_view rest = TrimBlanks(text);
  for (std::size_t k = 0; k < result.size(); ++k) {
    std::string_view part = rest;
    if (k + 1 < result.size()) {
      const auto dot = rest.find('.');
      part = rest.substr(0, dot);
      rest = dot == std::string_view::npos ? std::string_view{} : rest.substr(dot + 1);
    }
    if (const auto octet = Octet(part)) result[k] = *octet;
  }
  return result;
}

std::optional<int> SecurityIndexFromDigit(std::uint8_t digit) {
  const auto it = std::find(kSecurityDigits.begin(), kSecurityDigits.end(), digit);
  if (it == kSecurityDigits.end()) return std::nullopt;
  return static_cast<int>(it - kSecurityDigits.begin());
}

std::optional<std::uint8_t> SecurityDigitFromIndex(int index) {
  if (index < 0 || index >= static_cast<int>(kSecurityDigits.size())) return std::nullopt;
  return kSecurityDigits[static_cast<std::size_t>(index)];
}

}  // namespace ombrel
