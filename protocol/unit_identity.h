// How the program recognises the unit among the system's HID interfaces,
// and the model names it is listed under.
#pragma once

#include <cstdint>
#include <string_view>

namespace ombrel {

inline constexpr std::uint16_t kUnitVendorId = 0x0483;
inline constexpr std::uint16_t kUnitProductId = 0x5750;
inline constexpr std::string_view kModelPendra = "Pendra";
inline constexpr std::string_view kModelPendraDuo = "Pendra DUO";

constexpr bool IsUnit(std::uint16_t vendorId, std::uint16_t productId) {
  return vendorId == kUnitVendorId && productId == kUnitProductId;
}

// The model a unit is listed under: its product string when that is exactly
// one of the two model names, "Pendra" for any other.
constexpr std::string_view ModelName(std::string_view productString) {
  return productString == kModelPendraDuo ? kModelPendraDuo : kModelPendra;
}

// Only the "Pendra DUO" has the humidity control scenario in place of the
// air direction.
constexpr bool IsPendraDuo(std::string_view productString) {
  return productString == kModelPendraDuo;
}

}  // namespace ombrel
