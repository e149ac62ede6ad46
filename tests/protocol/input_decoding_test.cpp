#include "protocol/input_decoding.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/catalogue.h"
#include "protocol/parameter_ids.h"

namespace ombrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 65-byte input report: report ID 1, id, count, value, zero padding.
Bytes InputReport(std::uint8_t id, std::uint8_t count, const Bytes& value, std::size_t length = 65) {
  Bytes report(std::max<std::size_t>(length, 3), 0);
  report[0] = 1;
  report[1] = id;
  report[2] = count;
  report.resize(length);
  for (std::size_t i = 0; i < value.size() && 3 + i < length; ++i) report[3 + i] = value[i];
  return report;
}

TEST(InputDecoding, ByteParameters) {
  const struct {
    std::uint8_t id;
    std::uint8_t value;
  } cases[] = {
      {Param_Device_mode, 1},       {Param_Type_of_connection, 2}, {Param_Number_Slave, 31},
      {Param_IP_Slave_mode, 0},     {Param_Wi_Fi_channel, 13},     {Param_Available_OFF_device, 1},
      {Param_Direction, 7},         {Param_Humidity_sensor, 1},    {Param_External_sensor1, 0},
      {Param_External_sensor2, 1},  {Param_Humidity_sensor_threshold, 65},
      {Param_External_sensor2_threshold, 100}, {Param_Direction_DUO, 1},
      {Param_Wi_Fi_State_connection, 2},       {Param_Master_State_connection, 0},
  };
  for (const auto& c : cases) {
    const auto decoded = DecodeInputReport(InputReport(c.id, 1, {c.value, 0xEE}));
    ASSERT_TRUE(decoded) << int{c.id};
    EXPECT_EQ(decoded->id, c.id);
    EXPECT_EQ(decoded->layout, ValueLayout::Byte) << int{c.id};
    EXPECT_EQ(decoded->byte, c.value) << int{c.id};
  }
}

TEST(InputDecoding, SecurityDigit) {
  const auto decoded = DecodeInputReport(InputReport(Param_Security_Wi_Fi, 1, {'3'}));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->layout, ValueLayout::Digit);
  EXPECT_EQ(decoded->byte, 0x33);
}

TEST(InputDecoding, TextIsTheWholeValueAreaWhateverTheCount) {
  for (std::uint8_t id : {Param_Wi_Fi_name, Param_Wi_Fi_password, Param_AT_command, Param_Wi_Fi_scan}) {
    const auto decoded = DecodeInputReport(InputReport(id, 2, {'H', 'o', 'm', 'e', 0, 'x', 0xE9}, 12));
    ASSERT_TRUE(decoded) << int{id};
    EXPECT_EQ(decoded->layout, ValueLayout::Text);
    EXPECT_EQ(decoded->text, std::u16string(u"Home\0x\u00E9\0\0", 9)) << int{id};
    EXPECT_EQ(ShownText(decoded->text), u"Home");
  }
}

TEST(InputDecoding, FullLengthTextKeepsEveryByte) {
  Bytes name(62);
  for (std::size_t i = 0; i < name.size(); ++i) name[i] = static_cast<std::uint8_t>('A' + i % 26);
  const auto decoded = DecodeInputReport(InputReport(Param_Wi_Fi_password, 62, name));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->text.size(), 62u);
  EXPECT_EQ(decoded->text.back(), u'A' + 61 % 26);
  EXPECT_EQ(ShownText(decoded->text).size(), 62u);
}

TEST(InputDecoding, SerialNumberIsCountedText) {
  const auto decoded = DecodeInputReport(InputReport(Param_Serial_number, 5, {'P', 'D', '0', '4', '2', 'Z', 'Z'}));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->layout, ValueLayout::CountedText);
  EXPECT_EQ(decoded->text, u"PD042");
}

TEST(InputDecoding, EmptySerialNumber) {
  const auto decoded = DecodeInputReport(InputReport(Param_Serial_number, 0, {'Z'}));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->text, u"");
}

TEST(InputDecoding, AddressesIgnoreTheCount) {
  for (std::uint8_t id : {Param_IP_Slave, Param_IP_Master, Param_Gateway}) {
    const auto decoded = DecodeInputReport(InputReport(id, 0, {192, 168, 4, 1, 77}));
    ASSERT_TRUE(decoded) << int{id};
    EXPECT_EQ(decoded->layout, ValueLayout::Address);
    EXPECT_EQ(decoded->address, (Ipv4Octets{192, 168, 4, 1})) << int{id};
  }
}

TEST(InputDecoding, SecondsAreBigEndian24Bit) {
  const struct {
    Bytes bytes;
    std::uint32_t seconds;
  } cases[] = {
      {{0x00, 0x0E, 0x10}, 3600},
      {{0x00, 0x15, 0x18}, 5400},
      {{0x01, 0x51, 0x80}, 86400},
      {{0xFF, 0xFF, 0xFF}, 16777215},
      {{0x00, 0x00, 0x00}, 0},
  };
  for (std::uint8_t id : {Param_Timer_after_reacting_any_sensor, Param_Timer_night_mode,
                          Param_Timer_party_mode, Param_Timer_filter}) {
    for (const auto& c : cases) {
      const auto decoded = DecodeInputReport(InputReport(id, 3, c.bytes));
      ASSERT_TRUE(decoded);
      EXPECT_EQ(decoded->layout, ValueLayout::Seconds);
      EXPECT_EQ(decoded->seconds, c.seconds) << int{id};
    }
  }
}

TEST(InputDecoding, ReportsTooShortForTheirRowAreDropped) {
  const struct {
    std::uint8_t id;
    std::size_t shortest;  // whole-report length that first decodes
  } cases[] = {
      {Param_Device_mode, 4},     {Param_Security_Wi_Fi, 4}, {Param_Wi_Fi_State_connection, 4},
      {Param_IP_Slave, 7},        {Param_IP_Master, 7},      {Param_Gateway, 7},
      {Param_Timer_night_mode, 6}, {Param_Timer_filter, 6},   {Param_Wi_Fi_name, 3},
      {Param_Serial_number, 3},
  };
  for (const auto& c : cases) {
    for (std::size_t length = 0; length < c.shortest; ++length) {
      // A vector of exactly `length` bytes: any read past it is a fault the sanitizers see.
      const Bytes report = InputReport(c.id, 0, {1, 2, 3, 4}, length);
      EXPECT_FALSE(DecodeInputReport(report)) << int{c.id} << " at " << length << " bytes";
    }
    EXPECT_TRUE(DecodeInputReport(InputReport(c.id, 0, {1, 2, 3, 4}, c.shortest))) << int{c.id};
  }
}

TEST(InputDecoding, SerialNumberCountPastTheEndGivesTheCharactersPresent) {
  // Reports of exactly their length: a read past the end is a fault the sanitizers see.
  const auto cut = DecodeInputReport(InputReport(Param_Serial_number, 5, {'a', 'b', 'c', 'd'}, 7));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->text, u"abcd");
  const auto whole = DecodeInputReport(InputReport(Param_Serial_number, 255, {'a'}, 65));
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->text, u"a" + std::u16string(61, u'\0'));
  const auto empty = DecodeInputReport(InputReport(Param_Serial_number, 3, {}, 3));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->text, u"");
  const auto fits = DecodeInputReport(InputReport(Param_Serial_number, 4, {'a', 'b', 'c', 'd'}, 7));
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->text, u"abcd");
}

TEST(InputDecoding, IdsTheUnitNeverSendsAreDropped) {
  for (std::uint8_t id : {0, 2, 3, 13, 16, 17, 39, 40, 42, 48, 255}) {
    EXPECT_FALSE(DecodeInputReport(InputReport(static_cast<std::uint8_t>(id), 1, {1, 2, 3, 4}))) << int{id};
  }
}

TEST(InputDecoding, EveryParameterTheUnitSendsDecodes) {
  int decodable = 0;
  for (const CatalogueRow& row : Catalogue()) {
    const bool decoded = DecodeInputReport(InputReport(row.id, 4, {1, 2, 3, 4})).has_value();
    EXPECT_EQ(decoded, row.in.has_value()) << row.name;
    decodable += decoded;
  }
  EXPECT_EQ(decodable, 28);
}

TEST(InputDecoding, ReportIdIsNotChecked) {
  Bytes report = InputReport(Param_Device_mode, 1, {1});
  report[0] = 7;
  const auto decoded = DecodeInputReport(report);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->byte, 1);
}

TEST(InputDecoding, DeviceDataStartsAfterTheReportId) {
  const Bytes report = InputReport(Param_Gateway, 4, {10, 0, 0, 1});
  const auto decoded = DecodeDeviceData(std::span(report).subspan(1));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->id, Param_Gateway);
  EXPECT_EQ(decoded->address, (Ipv4Octets{10, 0, 0, 1}));
  // Six data bytes are a seven-byte report: just enough for an address.
  EXPECT_TRUE(DecodeDeviceData(std::span(report).subspan(1, 6)));
  EXPECT_FALSE(DecodeDeviceData(std::span(report).subspan(1, 5)));
  EXPECT_FALSE(DecodeDeviceData({}));
}

}  // namespace
}  // namespace ombrel
