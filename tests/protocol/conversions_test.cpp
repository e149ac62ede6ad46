#include "protocol/conversions.h"

#include <gtest/gtest.h>

#include <string>

namespace ombrel {
namespace {

TEST(Conversions, TimeTextFromSeconds) {
  const struct {
    std::uint32_t seconds;
    const char* text;
  } cases[] = {
      {0, "00:00"},        {59, "00:00"},       {60, "00:01"},       {3599, "00:59"},
      {3600, "01:00"},     {5400, "01:30"},     {86340, "23:59"},    {86399, "23:59"},
      {86400, "00:00"},    {90000, "01:00"},    {90061, "01:01"},    {16777215, "04:20"},
  };
  for (const auto& c : cases) EXPECT_EQ(TimeTextFromSeconds(c.seconds), c.text) << c.seconds << " s";
}

TEST(Conversions, SecondsFromTimeText) {
  const struct {
    const char* text;
    std::optional<std::uint32_t> seconds;
  } cases[] = {
      {"00:00", 0},
      {"01:30", 5400},
      {"23:59", 86340},
      {"00:01", 60},
      {"10:05", 36300},
      {"12x34", 45240},  // the separator is not looked at
      {"1:30", std::nullopt},
      {"01:300", std::nullopt},
      {"ab:cd", std::nullopt},
      {"0a:00", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondsFromTimeText(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(Conversions, TimeFieldSecondsOnTheWire) {
  const struct {
    const char* text;
    std::array<std::uint8_t, 3> bytes;
  } cases[] = {
      {"01:30", {0x00, 0x15, 0x18}},
      {"23:59", {0x01, 0x51, 0x44}},  // 86,340 s
      {"00:00", {0x00, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    const auto seconds = SecondsFromTimeText(c.text);
    ASSERT_TRUE(seconds) << c.text;
    EXPECT_EQ(SecondsBytes(*seconds), c.bytes) << c.text;
  }
}

TEST(Conversions, TimeTextSurvivesTheWire) {
  for (const char* text : {"00:00", "00:59", "07:05", "12:00", "23:59"}) {
    const auto seconds = SecondsFromTimeText(text);
    ASSERT_TRUE(seconds);
    const auto bytes = SecondsBytes(*seconds);
    EXPECT_EQ(TimeTextFromSeconds(SecondsFromBytes(bytes)), text);
  }
}

TEST(Conversions, TrackBarPositionFromPercent) {
  const struct {
    std::uint8_t percent;
    TrackBarRange range;
    int position;
  } cases[] = {
      {70, kHumidityTrackBar, 14},  {72, kHumidityTrackBar, 14},  {73, kHumidityTrackBar, 15},
      {62, kHumidityTrackBar, 12},  {63, kHumidityTrackBar, 13},  {40, kHumidityTrackBar, 8},
      {80, kHumidityTrackBar, 16},  {42, kHumidityTrackBar, 8},   {90, kHumidityTrackBar, 16},
      {0, kHumidityTrackBar, 8},    {255, kHumidityTrackBar, 16}, {37, kHumidityTrackBar, 8},
      {50, kExternalSensor2TrackBar, 10}, {5, kExternalSensor2TrackBar, 1},
      {100, kExternalSensor2TrackBar, 20}, {12, kExternalSensor2TrackBar, 2},
      {13, kExternalSensor2TrackBar, 3},  {2, kExternalSensor2TrackBar, 1},
      {0, kExternalSensor2TrackBar, 1},   {101, kExternalSensor2TrackBar, 20},
      {255, kExternalSensor2TrackBar, 20},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrackBarPositionFromPercent(c.percent, c.range), c.position)
        << int{c.percent} << " % in " << c.range.min << ".." << c.range.max;
  }
}

TEST(Conversions, PercentFromTrackBarPositionRoundTrips) {
  EXPECT_EQ(PercentFromTrackBarPosition(14), 70);
  EXPECT_EQ(PercentFromTrackBarPosition(10), 50);
  for (const TrackBarRange range : {kHumidityTrackBar, kExternalSensor2TrackBar}) {
    for (int position = range.min; position <= range.max; ++position) {
      EXPECT_EQ(TrackBarPositionFromPercent(PercentFromTrackBarPosition(position), range), position);
    }
  }
}

TEST(Conversions, DottedText) {
  const struct {
    Ipv4Octets octets;
    const char* text;
  } cases[] = {
      {{192, 168, 4, 1}, "192.168.4.1"},
      {{0, 0, 0, 0}, "0.0.0.0"},
      {{255, 255, 255, 255}, "255.255.255.255"},
      {{10, 0, 0, 7}, "10.0.0.7"},
      {{1, 20, 100, 9}, "1.20.100.9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DottedText(c.octets), c.text);
    EXPECT_EQ(OctetsFromDottedText(c.text, {9, 9, 9, 9}), c.octets) << c.text;
  }
}

TEST(Conversions, OctetsFromMalformedDottedText) {
  const Ipv4Octets current{9, 8, 7, 6};
  const struct {
    const char* text;
    Ipv4Octets octets;
  } cases[] = {
      {"  192.168.1.20  ", {192, 168, 1, 20}},
      {"192.168.001.020", {192, 168, 1, 20}},
      {"10.1", {10, 1, 0, 0}},
      {"10", {10, 0, 0, 0}},
      {"", {0, 0, 0, 0}},
      {"   ", {0, 0, 0, 0}},
      {"1..3.4", {1, 0, 3, 4}},
      {"a.b.c.d", {0, 0, 0, 0}},
      {"1.2.3.4.5", {1, 2, 3, 0}},
      {"-1.2.3.4", {0, 2, 3, 4}},
      {"1. 2.3.4", {1, 0, 3, 4}},
      {"300.1.2.3", {9, 1, 2, 3}},                  // out of range keeps the octet
      {"1.2.3.256", {1, 2, 3, 6}},
      {"1.2.99999999999999999999.4", {1, 2, 7, 4}},
  };
  for (const auto& c : cases) EXPECT_EQ(OctetsFromDottedText(c.text, current), c.octets) << '"' << c.text << '"';
}

TEST(Conversions, SecurityDigits) {
  const struct {
    std::uint8_t digit;
    std::optional<int> index;
  } cases[] = {
      {'0', 0}, {'2', 1}, {'3', 2}, {'4', 3},
      {'1', std::nullopt}, {'5', std::nullopt}, {0, std::nullopt}, {2, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SecurityIndexFromDigit(c.digit), c.index) << int{c.digit};
    if (c.index) {
      EXPECT_EQ(SecurityDigitFromIndex(*c.index), c.digit);
    }
  }
  EXPECT_EQ(SecurityDigitFromIndex(-1), std::nullopt);
  EXPECT_EQ(SecurityDigitFromIndex(4), std::nullopt);
}

}  // namespace
}  // namespace ombrel
