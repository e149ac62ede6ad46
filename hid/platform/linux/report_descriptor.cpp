#include "hid/platform/linux/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace ombrel::platform::linux_hid {

namespace {

// Item types and tags of the short-item encoding.
enum : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum : std::uint8_t {
  kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC
};
enum : std::uint8_t {
  kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB
};
enum : std::uint8_t { kUsage = 0x0 };
constexpr std::uint8_t kLongItem = 0xFE;

// Deeper nesting than any real device uses is taken as a hostile descriptor.
constexpr std::size_t kMaxGlobalStack = 32;
// The longest report a 16-bit length can state, its ID byte included.
constexpr std::uint64_t kMaxReportBits = (0xFFFFull - 1) * 8;

struct Globals {
  std::uint32_t UsagePage = 0;
  std::uint32_t ReportSize = 0;
  std::uint32_t ReportCount = 0;
  std::uint32_t ReportId = 0;
};

std::uint16_t LongestReport(const std::map<std::uint32_t, std::uint64_t>& bitsById) {
  std::uint64_t longest = 0;
  for (const auto& [id, bits] : bitsById) longest = std::max(longest, (bits + 7) / 8);
  return bitsById.empty() ? 0 : static_cast<std::uint16_t>(longest + 1);
}

}  // namespace

std::optional<ReportDescriptorSummary> ParseReportDescriptor(
    std::span<const std::uint8_t> d) {
  ReportDescriptorSummary summary;
  Globals globals;
  std::vector<Globals> stack;
  // Bits per report ID, for input, output and feature.
  std::array<std::map<std::uint32_t, std::uint64_t>, 3> reports;
  // Local state, until the next main item: the first usage named.
  bool haveUsage = false;
  std::uint32_t firstUsage = 0;
  std::size_t depth = 0;
  bool topLevelSeen = false;

  std::size_t i = 0;
  while (i < d.size()) {
    const std::uint8_t prefix = d[i];
    if (prefix == kLongItem) {
      // Long items carry nothing the lengths depend on: skip them whole.
      if (d.size() - i < 3) return std::nullopt;
      const std::size_t dataSize = d[i + 1];
      if (d.size() - i - 3 < dataSize) return std::nullopt;
      i += 3 + dataSize;
      continue;
    }
    const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    const std::uint8_t type = (prefix >> 2) & 3;
    const std::uint8_t tag = prefix >> 4;
    if (d.size() - i - 1 < size) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t b = 0; b < size; ++b) value |= std::uint32_t{d[i + 1 + b]} << (8 * b);
    i += 1 + size;

    if (type == kMain) {
      if (tag == kInput || tag == kOutput || tag == kFeature) {
        const std::uint64_t bits = std::uint64_t{globals.ReportSize} * globals.ReportCount;
        if (bits > 0) {
          auto& total = reports[tag == kInput ? 0 : tag == kOutput ? 1 : 2][globals.ReportId];
          if (bits > kMaxReportBits || total + bits > kMaxReportBits) return std::nullopt;
          total += bits;
        }
      } else if (tag == kCollection) {
        if (depth == 0 && !topLevelSeen) {
          topLevelSeen = true;
          const std::uint32_t usage = haveUsage ? firstUsage : 0;
          summary.Usage = static_cast<std::uint16_t>(usage & 0xFFFF);
          summary.UsagePage = static_cast<std::uint16_t>(usage >> 16);
        }
        if (summary.NumberLinkCollectionNodes == 0xFFFF) return std::nullopt;
        ++summary.NumberLinkCollectionNodes;
        ++depth;
      } else if (tag == kEndCollection) {
        if (depth == 0) return std::nullopt;
        --depth;
      }
      haveUsage = false;
    } else if (type == kGlobal) {
      switch (tag) {
        case kUsagePage: globals.UsagePage = value; break;
        case kReportSize: globals.ReportSize = value; break;
        case kReportCount: globals.ReportCount = value; break;
        case kReportId:
          if (value == 0 || value > 0xFF) return std::nullopt;
          globals.ReportId = value;
          summary.UsesReportIds = true;
          break;
        case kPush:
          if (stack.size() == kMaxGlobalStack) return std::nullopt;
          stack.push_back(globals);
          break;
        case kPop:
          if (stack.empty()) return std::nullopt;
          globals = stack.back();
          stack.pop_back();
          break;
        default: break;
      }
    } else if (type == kLocal && tag == kUsage && !haveUsage) {
      // A four-byte usage names its page in the high half.
      haveUsage = true;
      firstUsage = size == 4 ? value : ((globals.UsagePage & 0xFFFF) << 16) | (value & 0xFFFF);
    }
  }
  // A push left open is harmless; an open collection means a cut descriptor.
  if (depth != 0) return std::nullopt;

  summary.InputReportByteLength = LongestReport(reports[0]);
  summary.OutputReportByteLength = LongestReport(reports[1]);
  summary.FeatureReportByteLength = LongestReport(reports[2]);
  return summary;
}

}  // namespace ombrel::platform::linux_hid
