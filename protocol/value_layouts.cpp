#include "protocol/value_layouts.h"

namespace ombrel {

std::u16string EncodeByte(std::uint8_t value) { return std::u16string(1, char16_t{value}); }

std::u16string EncodeAddress(const Ipv4Octets& octets) {
  return {char16_t{octets[0]}, char16_t{octets[1]}, char16_t{octets[2]}, char16_t{octets[3]}};
}

std::array<std::uint8_t, 3> SecondsBytes(std::uint32_t seconds) {
  return {static_cast<std::uint8_t>((seconds >> 16) & 0xFF),
          static_cast<std::uint8_t>((seconds >> 8) & 0xFF),
          static_cast<std::uint8_t>(seconds & 0xFF)};
}

std::u16string EncodeSeconds(std::uint32_t seconds) {
  const auto bytes = SecondsBytes(seconds);
  return {char16_t{bytes[0]}, char16_t{bytes[1]}, char16_t{bytes[2]}};
}

std::uint32_t SecondsFromBytes(std::span<const std::uint8_t, 3> bytes) {
  return (std::uint32_t{bytes[0]} << 16) | (std::uint32_t{bytes[1]} << 8) | bytes[2];
}

std::u16string TextFromBytes(std::span<const std::uint8_t> bytes) {
  return std::u16string(bytes.begin(), bytes.end());
}

std::u16string_view ShownText(std::u16string_view text) {
  return text.substr(0, text.find(u'\0'));
}

}  // namespace ombrel
