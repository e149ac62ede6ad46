#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "protocol/parameter_ids.h"
#include "protocol/value_layouts.h"

// Decoding of the unit's input reports: [report ID, ParamID, count, value
// area...]. The report ID is not checked.

namespace ombrel {

// One received parameter. Only the member of its layout is meaningful.
struct InputParameter {
  ParamID id = 0;
  ValueLayout layout = ValueLayout::Byte;
  std::uint8_t byte = 0;       // Byte, Digit
  std::u16string text;         // Text: the whole value area; CountedText: `count` characters, at most
                               // those the report holds
  Ipv4Octets address{};        // Address
  std::uint32_t seconds = 0;   // Seconds
};

// Decodes a whole input report (byte 0 is the report ID). Empty for an ID
// that the unit does not send, and for a report too short for what its
// layout reads: nothing is ever read past the report's end.
std::optional<InputParameter> DecodeInputReport(std::span<const std::uint8_t> report);

// The same for the bytes as the controller's data event hands them over:
// the report from byte 1 on.
std::optional<InputParameter> DecodeDeviceData(std::span<const std::uint8_t> data);

// The shortest whole report that a value of `layout` can be read from.
std::size_t MinInputReportLength(ValueLayout layout);

}  // namespace ombrel
