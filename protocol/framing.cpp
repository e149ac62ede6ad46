#include "protocol/framing.h"

#include <algorithm>

namespace ombrel {

std::size_t ReportPayloadLength(std::size_t outputReportLength) {
  if (outputReportLength < kMinOutputReportLength) return 0;
  return std::min(outputReportLength - kReportHeaderLength, kMaxValueBytesPerReport);
}

void SendParameterTo(const ReportSink& sink, std::size_t outputReportLength, ParamID paramId,
                     std::u16string_view value) {
  const std::size_t payload = ReportPayloadLength(outputReportLength);
  if (payload == 0) return;

  // Sized from the device's report length, so no declared length overflows it.
  std::vector<std::uint8_t> report(outputReportLength, 0);
  report[0] = kParameterReportId;
  report[1] = paramId;

  // An empty value still makes one report, with count 0. A value that fills
  // its last report exactly is not followed by an empty one.
  std::size_t pos = 0;
  do {
    const std::size_t count = std::min(payload, value.size() - pos);
    report[2] = static_cast<std::uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
      report[kReportHeaderLength + i] = static_cast<std::uint8_t>(value[pos + i] & 0xFF);
    }
    pos += count;
    sink(report);
    std::fill(report.begin() + kReportHeaderLength, report.end(), std::uint8_t{0});
  } while (pos < value.size());
}

std::vector<std::vector<std::uint8_t>> FrameParameter(ParamID paramId, std::u16string_view value,
                                                      std::size_t outputReportLength) {
  std::vector<std::vector<std::uint8_t>> reports;
  SendParameterTo(
      [&reports](std::span<const std::uint8_t> report) {
        reports.emplace_back(report.begin(), report.end());
      },
      outputReportLength, paramId, value);
  return reports;
}

}  // namespace ombrel
