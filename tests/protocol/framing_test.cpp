#include "protocol/framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ombrel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Reports = std::vector<Bytes>;

// A text of `length` characters 'a', 'b', ... 'z', 'a', ...
std::u16string Letters(std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char16_t>(u'a' + i % 26));
  return text;
}

// [1, id, count, bytes..., zeros] of `length` bytes.
Bytes Report(std::size_t length, std::uint8_t id, std::uint8_t count, const Bytes& value) {
  Bytes report(length, 0);
  report[0] = 1;
  report[1] = id;
  report[2] = count;
  std::copy(value.begin(), value.end(), report.begin() + 3);
  return report;
}

Bytes LetterBytes(std::size_t from, std::size_t count) {
  Bytes bytes;
  for (std::size_t i = from; i < from + count; ++i) bytes.push_back(static_cast<std::uint8_t>('a' + i % 26));
  return bytes;
}

// Short reports of 8 bytes (5 value bytes each) keep every byte in view.
struct SmallCase {
  const char* name;
  std::u16string value;
  Reports expected;
};

void PrintTo(const SmallCase& c, std::ostream* os) { *os << c.name; }

class FramingSmallReports : public testing::TestWithParam<SmallCase> {};

TEST_P(FramingSmallReports, ByteForByte) {
  EXPECT_EQ(FrameParameter(6, GetParam().value, 8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Framing, FramingSmallReports,
    testing::Values(
        SmallCase{"Empty", u"", {{1, 6, 0, 0, 0, 0, 0, 0}}},
        SmallCase{"ZeroByte", std::u16string(1, u'\0'), {{1, 6, 1, 0, 0, 0, 0, 0}}},
        SmallCase{"OneByte", u"\x05", {{1, 6, 1, 5, 0, 0, 0, 0}}},
        SmallCase{"ExactlyOnePayload", u"ABCDE", {{1, 6, 5, 'A', 'B', 'C', 'D', 'E'}}},
        SmallCase{"OneMore",
                  u"ABCDEF",
                  {{1, 6, 5, 'A', 'B', 'C', 'D', 'E'}, {1, 6, 1, 'F', 0, 0, 0, 0}}},
        SmallCase{"TwoPayloads",
                  u"ABCDEFGHIJ",
                  {{1, 6, 5, 'A', 'B', 'C', 'D', 'E'}, {1, 6, 5, 'F', 'G', 'H', 'I', 'J'}}},
        SmallCase{"TwoPayloadsAndOne",
                  u"ABCDEFGHIJK",
                  {{1, 6, 5, 'A', 'B', 'C', 'D', 'E'},
                   {1, 6, 5, 'F', 'G', 'H', 'I', 'J'},
                   {1, 6, 1, 'K', 0, 0, 0, 0}}},
        SmallCase{"LowEightBitsOfEachCodeUnit",
                  u"\u0416\u00FF\u0100\u2041",
                  {{1, 6, 4, 0x16, 0xFF, 0x00, 0x41, 0}}},
        SmallCase{"ZerosInsideTheValueAreKept",
                  std::u16string(u"A\0B\0\0C", 6),
                  {{1, 6, 5, 'A', 0, 'B', 0, 0}, {1, 6, 1, 'C', 0, 0, 0, 0}}}),
    [](const testing::TestParamInfo<SmallCase>& info) { return info.param.name; });

// The unit's own report length: 65 bytes, 62 value bytes each.
TEST(Framing, FullReportLengthExactlyOnePayload) {
  EXPECT_EQ(FrameParameter(7, Letters(62), 65), (Reports{Report(65, 7, 62, LetterBytes(0, 62))}));
}

TEST(Framing, FullReportLengthOneMoreThanPayload) {
  const Reports reports = FrameParameter(7, Letters(63), 65);
  EXPECT_EQ(reports, (Reports{Report(65, 7, 62, LetterBytes(0, 62)),
                              Report(65, 7, 1, LetterBytes(62, 1))}));
}

TEST(Framing, FullReportLengthTwoPayloadsMakeNoTrailingEmptyReport) {
  EXPECT_EQ(FrameParameter(7, Letters(124), 65),
            (Reports{Report(65, 7, 62, LetterBytes(0, 62)), Report(65, 7, 62, LetterBytes(62, 62))}));
}

TEST(Framing, SixtyCharacterPasswordFitsOneReport) {
  EXPECT_EQ(FrameParameter(7, Letters(60), 65), (Reports{Report(65, 7, 60, LetterBytes(0, 60))}));
}

TEST(Framing, ReadRequestIsOneReportWithTheWantedId) {
  EXPECT_EQ(FrameParameter(16, u"\x05", 65), (Reports{Report(65, 16, 1, {5})}));
}

TEST(Framing, ShortestUsableReportCarriesOneByteEach) {
  EXPECT_EQ(FrameParameter(9, u"xyz", 4),
            (Reports{{1, 9, 1, 'x'}, {1, 9, 1, 'y'}, {1, 9, 1, 'z'}}));
}

TEST(Framing, ReportShorterThanFourBytesWritesNothing) {
  for (std::size_t length : {0u, 1u, 2u, 3u}) {
    EXPECT_TRUE(FrameParameter(5, u"\x01", length).empty()) << "length " << length;
    EXPECT_TRUE(FrameParameter(5, u"", length).empty()) << "length " << length;
  }
}

TEST(Framing, ReportLongerThanSixtyFiveBytesIsFilledToItsLength) {
  EXPECT_EQ(FrameParameter(6, Letters(97), 100), (Reports{Report(100, 6, 97, LetterBytes(0, 97))}));
  EXPECT_EQ(FrameParameter(6, Letters(98), 100),
            (Reports{Report(100, 6, 97, LetterBytes(0, 97)), Report(100, 6, 1, LetterBytes(97, 1))}));
}

TEST(Framing, CountNeverExceedsOneByteOnVeryLongReports) {
  const Reports reports = FrameParameter(6, Letters(256), 300);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], Report(300, 6, 255, LetterBytes(0, 255)));
  EXPECT_EQ(reports[1], Report(300, 6, 1, LetterBytes(255, 1)));
}

TEST(Framing, SinkReceivesWholeReportsInOrder) {
  std::vector<Bytes> seen;
  SendParameterTo([&seen](std::span<const std::uint8_t> r) { seen.emplace_back(r.begin(), r.end()); },
                  10, 6, Letters(15));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], Report(10, 6, 7, LetterBytes(0, 7)));
  EXPECT_EQ(seen[1], Report(10, 6, 7, LetterBytes(7, 7)));
  EXPECT_EQ(seen[2], Report(10, 6, 1, LetterBytes(14, 1)));
}

TEST(Framing, PayloadLength) {
  EXPECT_EQ(ReportPayloadLength(3), 0u);
  EXPECT_EQ(ReportPayloadLength(4), 1u);
  EXPECT_EQ(ReportPayloadLength(65), 62u);
  EXPECT_EQ(ReportPayloadLength(258), 255u);
  EXPECT_EQ(ReportPayloadLength(1000), 255u);
}

}  // namespace
}  // namespace ombrel
