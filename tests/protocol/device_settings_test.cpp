#include "protocol/device_settings.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/framing.h"
#include "protocol/parameter_ids.h"

namespace ombrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

InputParameter Decode(std::uint8_t id, const Bytes& value) {
  Bytes report(65, 0);
  report[0] = 1;
  report[1] = id;
  report[2] = static_cast<std::uint8_t>(value.size());
  std::copy(value.begin(), value.end(), report.begin() + 3);
  const auto decoded = DecodeInputReport(report);
  EXPECT_TRUE(decoded) << int{id};
  return decoded.value_or(InputParameter{});
}

TEST(DeviceSettings, StartsWithZerosAndEmptyTexts) {
  const WiFiSettings fresh;
  EXPECT_EQ(fresh.role, 0);
  EXPECT_TRUE(fresh.networkName.empty());
  EXPECT_TRUE(fresh.password.empty());
  EXPECT_EQ(fresh.slaveAddress, (Ipv4Octets{0, 0, 0, 0}));
  EXPECT_EQ(DeviceSettings.gateway, (Ipv4Octets{0, 0, 0, 0}));
}

TEST(DeviceSettings, ReadBackStoresByteDigitAndAddressValues) {
  WiFiSettings settings;
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_Device_mode, {1})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_Type_of_connection, {2})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_Number_Slave, {7})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_IP_Slave_mode, {1})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_Wi_Fi_channel, {11})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_Security_Wi_Fi, {'4'})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_IP_Slave, {192, 168, 4, 2})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_IP_Master, {192, 168, 4, 1})));
  EXPECT_TRUE(StoreReadBackAnswer(settings, Decode(Param_Gateway, {10, 0, 0, 254})));

  EXPECT_EQ(settings.role, 1);
  EXPECT_EQ(settings.connectionType, 2);
  EXPECT_EQ(settings.slaveNumber, 7);
  EXPECT_EQ(settings.slaveAddressMode, 1);
  EXPECT_EQ(settings.channel, 11);
  EXPECT_EQ(settings.security, '4');
  EXPECT_EQ(settings.slaveAddress, (Ipv4Octets{192, 168, 4, 2}));
  EXPECT_EQ(settings.masterAddress, (Ipv4Octets{192, 168, 4, 1}));
  EXPECT_EQ(settings.gateway, (Ipv4Octets{10, 0, 0, 254}));
}

TEST(DeviceSettings, OtherAnswersChangeNothing) {
  WiFiSettings settings;
  settings.networkName = u"Kept";
  for (const auto& answer : {Decode(Param_Wi_Fi_name, {'N', 'e', 'w'}), Decode(Param_Wi_Fi_password, {'p'}),
                             Decode(Param_Direction, {1}), Decode(Param_Wi_Fi_State_connection, {1}),
                             Decode(Param_Timer_night_mode, {0, 0, 60})}) {
    EXPECT_FALSE(StoreReadBackAnswer(settings, answer)) << int{answer.id};
  }
  EXPECT_EQ(settings.networkName, u"Kept");
  EXPECT_EQ(settings.role, 0);
}

// The slave address that a master-mode upload sends as last known goes out
// in the address layout whatever path stored it.
TEST(DeviceSettings, SlaveAddressAlwaysGoesOutAsFourOctets) {
  WiFiSettings settings;
  const auto before = FrameParameter(Param_IP_Slave, EncodeAddress(settings.slaveAddress), 65);
  ASSERT_EQ(before.size(), 1u);
  EXPECT_EQ(Bytes(before[0].begin(), before[0].begin() + 8), (Bytes{1, 10, 4, 0, 0, 0, 0, 0}));

  StoreReadBackAnswer(settings, Decode(Param_IP_Slave, {192, 168, 4, 2}));
  const auto after = FrameParameter(Param_IP_Slave, EncodeAddress(settings.slaveAddress), 65);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(Bytes(after[0].begin(), after[0].begin() + 8), (Bytes{1, 10, 4, 192, 168, 4, 2, 0}));
}

}  // namespace
}  // namespace ombrel
