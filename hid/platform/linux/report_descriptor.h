// What the link needs from a HID report descriptor: the top-level usage and
// the byte lengths of the longest input, output and feature reports.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ombrel::platform::linux_hid {

struct ReportDescriptorSummary {
  std::uint16_t Usage = 0;      // of the first top-level collection
  std::uint16_t UsagePage = 0;  // of the first top-level collection
  // Report lengths in bytes with one byte for the report ID counted in, also
  // for a device without report IDs (it sends ID 0 implicitly); 0 when the
  // device has no report of that kind.
  std::uint16_t InputReportByteLength = 0;
  std::uint16_t OutputReportByteLength = 0;
  std::uint16_t FeatureReportByteLength = 0;
  std::uint16_t NumberLinkCollectionNodes = 0;
  bool UsesReportIds = false;

  friend bool operator==(const ReportDescriptorSummary&,
                         const ReportDescriptorSummary&) = default;
};

// Empty when the descriptor is malformed: an item cut short, report ID 0 or
// above 255, unbalanced collections, a pop without push, or a report too long for a
// 16-bit length. Never reads outside `descriptor`.
std::optional<ReportDescriptorSummary> ParseReportDescriptor(
    std::span<const std::uint8_t> descriptor);

}  // namespace ombrel::platform::linux_hid
