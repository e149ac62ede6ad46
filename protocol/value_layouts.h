#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// How a parameter's value lies on the wire, and the value texts that
// SendParameter takes for each layout (one code unit per byte).

namespace ombrel {

enum class ValueLayout : std::uint8_t {
  Byte,         // count 1; one byte
  Digit,        // count 1; one byte holding an ASCII digit
  Text,         // out: one byte per character; in: the whole value area, count ignored
  CountedText,  // in: `count` bytes from byte 3
  Address,      // count 4; IPv4 octets, first octet first
  Seconds,      // count 3; unsigned 24-bit, most significant byte first
};

// An IPv4 address in dotted order: [0] is the first (leftmost) octet.
using Ipv4Octets = std::array<std::uint8_t, 4>;

inline constexpr std::uint32_t kMaxSeconds = 0xFFFFFF;

// Value texts for SendParameter.
std::u16string EncodeByte(std::uint8_t value);
std::u16string EncodeAddress(const Ipv4Octets& octets);
// Only the low 24 bits go out; callers keep within kMaxSeconds.
std::u16string EncodeSeconds(std::uint32_t seconds);

std::array<std::uint8_t, 3> SecondsBytes(std::uint32_t seconds);
std::uint32_t SecondsFromBytes(std::span<const std::uint8_t, 3> bytes);

// One character per byte, the byte as its code.
std::u16string TextFromBytes(std::span<const std::uint8_t> bytes);

// What a text control shows of a received text: everything before the first
// character with code 0.
std::u16string_view ShownText(std::u16string_view text);

}  // namespace ombrel
