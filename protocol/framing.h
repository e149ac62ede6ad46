#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/parameter_ids.h"

// Output report framing of one parameter write.
//
// A report is [1, ParamID, count, value bytes..., zeros] and exactly as long
// as the device's output report (report ID byte included). The value is a
// text: each UTF-16 code unit gives one byte, its low 8 bits, so numbers are
// handed over as texts whose code units are the byte values. A value longer
// than one report's payload goes out as consecutive full reports with the
// same ParamID, the last one holding the rest.

namespace ombrel {

inline constexpr std::uint8_t kParameterReportId = 1;

// Report ID, parameter ID and count come before the value.
inline constexpr std::size_t kReportHeaderLength = 3;

// A shorter output report cannot carry a single value byte; such a device is
// not written to at all.
inline constexpr std::size_t kMinOutputReportLength = kReportHeaderLength + 1;

// The count is one byte, so no report carries more value bytes than this,
// however long the device's reports are.
inline constexpr std::size_t kMaxValueBytesPerReport = 255;

// Receives one whole output report; the span is valid only during the call.
using ReportSink = std::function<void(std::span<const std::uint8_t> report)>;

// Value bytes carried by one report of the given length: 0 when the device
// is not written to.
std::size_t ReportPayloadLength(std::size_t outputReportLength);

// Hands the reports of one parameter write to `sink` in order. Nothing is
// handed over when outputReportLength is below kMinOutputReportLength. This
// is SendParameter without the device: SendParameter passes the device's
// output report length and a sink that writes one report to it.
void SendParameterTo(const ReportSink& sink, std::size_t outputReportLength, ParamID paramId,
                     std::u16string_view value);

// The same reports, collected.
std::vector<std::vector<std::uint8_t>> FrameParameter(ParamID paramId, std::u16string_view value,
                                                      std::size_t outputReportLength);

}  // namespace ombrel
