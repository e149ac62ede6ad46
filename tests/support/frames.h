// Byte helpers for expected output reports, built from named values.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/framing.h"
#include "protocol/value_layouts.h"

namespace ombrel::test {

using Report = std::vector<std::uint8_t>;
using Reports = std::vector<Report>;

// The unit's output report length, report ID included.
inline constexpr std::size_t kReportLength = 65;

// The output reports of one parameter write.
inline Reports Frames(std::uint8_t id, std::u16string_view value, std::size_t length = kReportLength) {
  return FrameParameter(id, value, length);
}

// The reports of several writes, in order.
inline Reports Concat(std::initializer_list<Reports> writes) {
  Reports all;
  for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
  return all;
}

inline std::u16string Byte(std::uint8_t value) { return std::u16string(1, char16_t(value)); }

inline std::u16string Octets(const Ipv4Octets& o) {
  return {char16_t(o[0]), char16_t(o[1]), char16_t(o[2]), char16_t(o[3])};
}

inline std::u16string Seconds(std::uint32_t s) {
  return {char16_t((s >> 16) & 0xFF), char16_t((s >> 8) & 0xFF), char16_t(s & 0xFF)};
}

inline std::u16string Text(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// A read request for `id`: [1, 16, 1, id, zeros].
inline Report ReadRequestReport(std::uint8_t id) {
  Report report(kReportLength, 0);
  report[0] = 1;
  report[1] = 16;
  report[2] = 1;
  report[3] = id;
  return report;
}

}  // namespace ombrel::test
