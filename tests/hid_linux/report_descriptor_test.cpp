// The report descriptor parser on descriptors as real devices send them,
// and on broken ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "hid/platform/linux/report_descriptor.h"
#include "tests/hid_linux/descriptors.h"

namespace {

using ombrel::platform::linux_hid::ParseReportDescriptor;
using ombrel::platform::linux_hid::ReportDescriptorSummary;
using namespace ombrel::test;

struct Known {
  std::string Name;
  Bytes Descriptor;
  ReportDescriptorSummary Expected;
};

void PrintTo(const Known& k, std::ostream* out) { *out << k.Name; }

class KnownDescriptor : public ::testing::TestWithParam<Known> {};

TEST_P(KnownDescriptor, GivesTheReportLengthsWithTheIdByte) {
  auto summary = ParseReportDescriptor(GetParam().Descriptor);
  ASSERT_TRUE(summary.has_value());
  const ReportDescriptorSummary& e = GetParam().Expected;
  EXPECT_EQ(summary->InputReportByteLength, e.InputReportByteLength);
  EXPECT_EQ(summary->OutputReportByteLength, e.OutputReportByteLength);
  EXPECT_EQ(summary->FeatureReportByteLength, e.FeatureReportByteLength);
  EXPECT_EQ(summary->UsagePage, e.UsagePage);
  EXPECT_EQ(summary->Usage, e.Usage);
  EXPECT_EQ(summary->NumberLinkCollectionNodes, e.NumberLinkCollectionNodes);
  EXPECT_EQ(summary->UsesReportIds, e.UsesReportIds);
}

// Fields: usage, page, input, output, feature, collections, report IDs.
INSTANTIATE_TEST_SUITE_P(
    Devices, KnownDescriptor,
    ::testing::Values(Known{"BootKeyboard", kBootKeyboard, {0x06, 0x01, 9, 2, 0, 1, false}},
                      Known{"BootMouse", kBootMouse, {0x02, 0x01, 5, 0, 0, 2, false}},
                      Known{"MultiReport", kMultiReport, {0x06, 0x01, 8, 2, 33, 3, true}},
                      Known{"Unit", kUnit, {0x01, 0xFF00, 65, 65, 0, 1, true}},
                      Known{"PushPopLongItem", kPushPopLongItem, {0x01, 0x0D, 21, 0, 0, 1, false}},
                      Known{"Empty", {}, {0, 0, 0, 0, 0, 0, false}}),
    [](const auto& info) { return info.param.Name; });

// Every prefix of a real single-collection descriptor cut after its
// collection began is refused: either an item is cut or the collection
// never ends. Each prefix sits in a buffer of exactly its size, so a read
// past the end shows under AddressSanitizer.
TEST(ReportDescriptorParser, RefusesEveryCutOfARealDescriptor) {
  for (const Bytes* full : {&kBootKeyboard, &kBootMouse, &kUnit}) {
    const auto collection = std::find(full->begin(), full->end(), std::uint8_t{0xA1});
    ASSERT_NE(collection, full->end());
    const auto begun = static_cast<std::size_t>(collection - full->begin()) + 1;
    for (std::size_t n = begun; n < full->size(); ++n) {
      auto cut = std::make_unique<std::uint8_t[]>(n);
      std::copy_n(full->begin(), n, cut.get());
      EXPECT_FALSE(ParseReportDescriptor({cut.get(), n}).has_value()) << "cut at " << n;
    }
  }
}

struct Broken {
  std::string Name;
  Bytes Descriptor;
};

void PrintTo(const Broken& b, std::ostream* out) { *out << b.Name; }

class BrokenDescriptor : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenDescriptor, IsRefused) {
  const Bytes& d = GetParam().Descriptor;
  auto exact = std::make_unique<std::uint8_t[]>(d.size());
  std::copy(d.begin(), d.end(), exact.get());
  EXPECT_FALSE(ParseReportDescriptor({exact.get(), d.size()}).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, BrokenDescriptor,
    ::testing::Values(
        Broken{"ItemDataCut", {0xA1, 0x01, 0x26, 0xFF}},
        Broken{"FourByteItemCut", {0x27, 0xFF, 0xFF, 0xFF}},
        Broken{"LongItemCut", {0xFE, 0x05, 0x00, 0x01}},
        Broken{"LongItemHeaderCut", {0xFE, 0x05}},
        Broken{"ReportIdZero", {0xA1, 0x01, 0x85, 0x00, 0xC0}},
        Broken{"ReportIdAbove255", {0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0}},
        Broken{"PopWithoutPush", {0xB4}},
        Broken{"EndWithoutCollection", {0xC0}},
        Broken{"ReportLongerThanALength",
               {0xA1, 0x01, 0x75, 0xFF, 0x96, 0xFF, 0xFF, 0x81, 0x02, 0xC0}},
        Broken{"SizeTimesCountOverflowing",
               {0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81,
                0x02, 0xC0}},
        Broken{"ReportsAddingUpPastALength",
               {0xA1, 0x01, 0x75, 0x08, 0x96, 0x00, 0x80, 0x81, 0x02, 0x81, 0x02, 0xC0}},
        Broken{"PushesWithoutEnd", Bytes(40, 0xA4)}),
    [](const auto& info) { return info.param.Name; });

}  // namespace
