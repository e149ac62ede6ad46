#include "protocol/input_decoding.h"

#include <algorithm>

#include "protocol/catalogue.h"

namespace ombrel {
namespace {

// Positions in the bytes after the report ID, which is all the data event
// hands over: ID, count, then the value area.
constexpr std::size_t kIdAt = 0;
constexpr std::size_t kCountAt = 1;
constexpr std::size_t kValueAt = 2;

}  // namespace

std::size_t MinInputReportLength(ValueLayout layout) {
  // Whole-report lengths: report ID, ID, count, then what the layout reads.
  switch (layout) {
    case ValueLayout::Byte:
    case ValueLayout::Digit:
      return 4;
    case ValueLayout::Text:
    case ValueLayout::CountedText:
      return 3;
    case ValueLayout::Address:
      return 7;
    case ValueLayout::Seconds:
      return 6;
  }
  return 3;
}

std::optional<InputParameter> DecodeDeviceData(std::span<const std::uint8_t> data) {
  if (data.empty()) return std::nullopt;
  const CatalogueRow* row = FindCatalogueRow(data[kIdAt]);
  if (row == nullptr || !row->in) return std::nullopt;

  const ValueLayout layout = *row->in;
  if (data.size() + 1 < MinInputReportLength(layout)) return std::nullopt;

  InputParameter result;
  result.id = row->id;
  result.layout = layout;
  const auto value = data.subspan(kValueAt);
  switch (layout) {
    case ValueLayout::Byte:
    case ValueLayout::Digit:
      result.byte = value[0];
      break;
    case ValueLayout::Text:
      result.text = TextFromBytes(value);
      break;
    case ValueLayout::CountedText: {
      // A count past the report's end gives the characters that are there.
      const std::size_t count = std::min<std::size_t>(data[kCountAt], value.size());
      result.text = TextFromBytes(value.first(count));
      break;
    }
    case ValueLayout::Address:
      for (std::size_t i = 0; i < result.address.size(); ++i) result.address[i] = value[i];
      break;
    case ValueLayout::Seconds:
      result.seconds = SecondsFromBytes(value.first<3>());
      break;
  }
  return result;
}

std::optional<InputParameter> DecodeInputReport(std::span<const std::uint8_t> report) {
  if (report.empty()) return std::nullopt;
  return DecodeDeviceData(report.subspan(1));
}

}  // namespace ombrel
