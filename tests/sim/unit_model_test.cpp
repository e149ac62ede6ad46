#include "sim/unit_model.h"

#include <gtest/gtest.h>

#include <functional>

#include "protocol/parameter_ids.h"
#include "protocol/value_layouts.h"
#include "unit_fixture.h"

namespace ombrel::sim {
namespace {

using UnitModelTest = UnitFixture;
using std::chrono::seconds;

// Each settings parameter set to a value unlike its factory value, and the
// answer the program must see for it.
struct SettingCase {
  ParamID id;
  std::function<void(UnitModel&)> set;
  std::uint8_t count;
  Report value;
};

const std::vector<SettingCase>& SettingCases() {
  static const std::vector<SettingCase> cases{
      {5, [](UnitModel& u) { u.SetByte(5, 0); }, 1, {0}},
      {12, [](UnitModel& u) { u.SetByte(12, 1); }, 1, {1}},
      {6, [](UnitModel& u) { u.SetText(6, "Home"); }, 4, {'H', 'o', 'm', 'e'}},
      {7, [](UnitModel& u) { u.SetText(7, "secret99"); }, 8, {'s', 'e', 'c', 'r', 'e', 't', '9', '9'}},
      {8, [](UnitModel& u) { u.SetByte(8, 31); }, 1, {31}},
      {9, [](UnitModel& u) { u.SetByte(9, 0); }, 1, {0}},
      {10, [](UnitModel& u) { u.SetAddress(10, {10, 0, 0, 7}); }, 4, {10, 0, 0, 7}},
      {11, [](UnitModel& u) { u.SetAddress(11, {192, 168, 1, 20}); }, 4, {192, 168, 1, 20}},
      {14, [](UnitModel& u) { u.SetByte(14, 13); }, 1, {13}},
      {15, [](UnitModel& u) { u.SetByte(15, '4'); }, 1, {0x34}},
      {24, [](UnitModel& u) { u.SetByte(24, 0); }, 1, {0}},
      {25, [](UnitModel& u) { u.SetByte(25, 1); }, 1, {1}},
      {26, [](UnitModel& u) { u.SetByte(26, 0); }, 1, {0}},
      {27, [](UnitModel& u) { u.SetByte(27, 0); }, 1, {0}},
      {28, [](UnitModel& u) { u.SetByte(28, 0); }, 1, {0}},
      {29, [](UnitModel& u) { u.SetByte(29, 45); }, 1, {45}},
      {30, [](UnitModel& u) { u.SetByte(30, 95); }, 1, {95}},
      {33, [](UnitModel& u) { u.SetSeconds(33, 5400); }, 3, {0x00, 0x15, 0x18}},
      {31, [](UnitModel& u) { u.SetSeconds(31, 3600); }, 3, {0x00, 0x0E, 0x10}},
      {32, [](UnitModel& u) { u.SetSeconds(32, 16777215); }, 3, {0xFF, 0xFF, 0xFF}},
      {43, [](UnitModel& u) { u.SetByte(43, 0); }, 1, {0}},
      {47, [](UnitModel& u) { u.SetAddress(47, {172, 16, 0, 254}); }, 4, {172, 16, 0, 254}},
  };
  return cases;
}

TEST_F(UnitModelTest, EverySettingIsAnsweredInItsLayout) {
  ASSERT_EQ(SettingCases().size(), 22u);
  for (const SettingCase& c : SettingCases()) {
    c.set(unit);
    EXPECT_EQ(Read(c.id), Answer(c.id, c.count, c.value)) << "parameter " << int{c.id};
  }
}

// Restoring defaults is only seen if the factory values differ from the cases.
TEST_F(UnitModelTest, FactoryValuesDifferFromTheCases) {
  for (const SettingCase& c : SettingCases()) {
    const Report answer = Read(c.id);
    ASSERT_EQ(answer.size(), kUnitReportLength);
    EXPECT_EQ(answer[1], c.id);
    EXPECT_NE(answer, Answer(c.id, c.count, c.value)) << "parameter " << int{c.id};
  }
}

TEST_F(UnitModelTest, WrittenSettingsAreReadBack) {
  Write(Param_Device_mode, EncodeByte(0));
  Write(Param_IP_Slave, EncodeAddress({192, 168, 4, 9}));
  Write(Param_Timer_party_mode, EncodeSeconds(86340));
  WriteText(Param_Wi_Fi_name, "Kirrowind_1");
  Write(Param_Security_Wi_Fi, u"0");
  EXPECT_EQ(Read(Param_Device_mode), Answer(5, 1, {0}));
  EXPECT_EQ(Read(Param_IP_Slave), Answer(10, 4, {192, 168, 4, 9}));
  EXPECT_EQ(Read(Param_Timer_party_mode), Answer(32, 3, {0x01, 0x51, 0x44}));
  EXPECT_EQ(Read(Param_Wi_Fi_name), Answer(6, 11, {'K', 'i', 'r', 'r', 'o', 'w', 'i', 'n', 'd', '_', '1'}));
  EXPECT_EQ(Read(Param_Security_Wi_Fi), Answer(15, 1, {'0'}));
}

TEST_F(UnitModelTest, ShorterTextReplacesLongerOne) {
  WriteText(Param_Wi_Fi_password, "a-long-password");
  WriteText(Param_Wi_Fi_password, "short");
  EXPECT_EQ(Read(Param_Wi_Fi_password), Answer(7, 5, {'s', 'h', 'o', 'r', 't'}));
  Write(Param_Wi_Fi_password, u"");
  EXPECT_EQ(Read(Param_Wi_Fi_password), Answer(7, 0, {}));
}

TEST_F(UnitModelTest, LongValueOverSeveralReportsIsStoredWhole) {
  // 16-byte output reports carry 13 value bytes each: 40 characters take four.
  const std::string password = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  WriteText(Param_Wi_Fi_password, password, 16);
  ASSERT_EQ(unit.OutputReportCount(), 4u);
  EXPECT_EQ(unit.StoredValue(Param_Wi_Fi_password), Report(password.begin(), password.end()));
  EXPECT_EQ(Read(Param_Wi_Fi_password), Answer(7, 40, Report(password.begin(), password.end())));
}

TEST_F(UnitModelTest, ValueFillingItsReportExactlyIsNotJoinedToTheNextWrite) {
  // 8-byte reports: five value bytes each.
  WriteText(Param_Wi_Fi_name, "ABCDE", 8);
  WriteText(Param_Wi_Fi_password, "pw", 8);
  WriteText(Param_Wi_Fi_name, "XY", 8);
  EXPECT_EQ(unit.StoredValue(Param_Wi_Fi_name), (Report{'X', 'Y'}));
  EXPECT_EQ(unit.StoredValue(Param_Wi_Fi_password), (Report{'p', 'w'}));

  WriteText(Param_Wi_Fi_name, "ABCDEFGHIJ", 8);
  EXPECT_EQ(unit.StoredValue(Param_Wi_Fi_name), (Report{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'}));
}

TEST_F(UnitModelTest, SerialNumberIsCountedText) {
  unit.SetSerialNumber("PD-4711");
  EXPECT_EQ(Read(Param_Serial_number), Answer(23, 7, {'P', 'D', '-', '4', '7', '1', '1'}));
}

TEST_F(UnitModelTest, ConnectionStatesAreWhatTheTestSets) {
  EXPECT_EQ(Read(Param_Wi_Fi_State_connection), Answer(34, 1, {0}));
  EXPECT_EQ(Read(Param_Master_State_connection), Answer(41, 1, {0}));
  unit.SetWiFiState(2);
  unit.SetMasterState(1);
  EXPECT_EQ(Read(Param_Wi_Fi_State_connection), Answer(34, 1, {2}));
  EXPECT_EQ(Read(Param_Master_State_connection), Answer(41, 1, {1}));
}

TEST_F(UnitModelTest, RequestsForParametersTheUnitDoesNotSendGoUnanswered) {
  for (ParamID id : {0, 1, 3, 4, 13, 16, 39, 40, 42, 99, 255}) {
    answers.clear();
    Request(id);
    EXPECT_TRUE(answers.empty()) << int{id};
  }
  // A read request without a value asks for nothing.
  Write(Param_Read_request, u"");
  EXPECT_TRUE(answers.empty());
}

TEST_F(UnitModelTest, ReportsWithAnotherReportIdAreLoggedButIgnored) {
  Report request = Answer(16, 1, {5});
  request[0] = 2;
  unit.HandleOutputReport(request);
  unit.HandleOutputReport(Report{1, 16});
  EXPECT_TRUE(answers.empty());
  EXPECT_EQ(unit.OutputReportCount(), 2u);
}

TEST_F(UnitModelTest, WritesToReadOnlyValuesChangeNothing) {
  unit.SetSerialNumber("S1");
  WriteText(Param_Serial_number, "forged");
  Write(Param_Wi_Fi_State_connection, EncodeByte(1));
  EXPECT_EQ(Read(Param_Serial_number), Answer(23, 2, {'S', '1'}));
  EXPECT_EQ(Read(Param_Wi_Fi_State_connection), Answer(34, 1, {0}));
}

TEST_F(UnitModelTest, RestoreDefaultsBringsBackTheFactorySettings) {
  std::vector<Report> factory;
  for (const SettingCase& c : SettingCases()) factory.push_back(Read(c.id));
  for (const SettingCase& c : SettingCases()) c.set(unit);
  unit.SetFilterRunSeconds(1234);

  Write(Param_Settings_transfer, EncodeByte(1));
  Write(Param_Restore_default_parameters, EncodeByte(0));

  for (std::size_t i = 0; i < SettingCases().size(); ++i) {
    EXPECT_EQ(Read(SettingCases()[i].id), factory[i]) << "parameter " << int{SettingCases()[i].id};
  }
  EXPECT_EQ(unit.FilterRunSeconds(), 1234u);
}

TEST_F(UnitModelTest, FilterRunTimeCountsAndResets) {
  EXPECT_EQ(Read(Param_Timer_filter), Answer(38, 3, {0, 0, 0}));
  unit.Advance(seconds(90061));
  EXPECT_EQ(Read(Param_Timer_filter), Answer(38, 3, {0x01, 0x5F, 0xCD}));

  Write(Param_Reset_filter_timer, EncodeByte(0));
  EXPECT_EQ(Read(Param_Timer_filter), Answer(38, 3, {0, 0, 0}));
  unit.Advance(seconds(61));
  EXPECT_EQ(Read(Param_Timer_filter), Answer(38, 3, {0, 0, 61}));
}

TEST_F(UnitModelTest, FilterRunTimeStopsAtItsLargestValue) {
  unit.SetFilterRunSeconds(16777200);
  unit.Advance(seconds(100));
  EXPECT_EQ(Read(Param_Timer_filter), Answer(38, 3, {0xFF, 0xFF, 0xFF}));
}

TEST_F(UnitModelTest, FilterRunTimeFollowsAnInjectedClock) {
  auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(5);
  unit.Advance(seconds(10));
  unit.UseClock([&now] { return now; });
  now += std::chrono::milliseconds(2500);
  EXPECT_EQ(unit.FilterRunSeconds(), 12u);
  unit.Advance(seconds(3));
  now += std::chrono::milliseconds(600);
  EXPECT_EQ(unit.FilterRunSeconds(), 16u);
  Write(Param_Reset_filter_timer, EncodeByte(0));
  now += seconds(7);
  EXPECT_EQ(Read(Param_Timer_filter), Answer(38, 3, {0, 0, 7}));
}

TEST(UnitModelConfigTest, StartsWithTheConfiguredFilterTimeAndIdentity) {
  UnitModel unit({.productName = std::string(kModelPendraDuo), .serialNumber = "X", .filterRunSeconds = 86400});
  EXPECT_EQ(unit.ProductName(), "Pendra DUO");
  EXPECT_EQ(unit.FilterRunSeconds(), 86400u);
}

TEST_F(UnitModelTest, SettingsTransferBracket) {
  EXPECT_FALSE(unit.SettingsTransferOpen());
  Write(Param_Settings_transfer, EncodeByte(1));
  EXPECT_TRUE(unit.SettingsTransferOpen());
  Write(Param_Available_OFF_device, EncodeByte(0));
  Write(Param_Settings_transfer, EncodeByte(0));
  EXPECT_FALSE(unit.SettingsTransferOpen());
  EXPECT_EQ(unit.CompletedSettingsTransfers(), 1);
  // A closing write without an opening one completes nothing.
  Write(Param_Settings_transfer, EncodeByte(0));
  EXPECT_EQ(unit.CompletedSettingsTransfers(), 1);
  EXPECT_EQ(Read(Param_Available_OFF_device), Answer(24, 1, {0}));
}

TEST_F(UnitModelTest, LogHoldsEveryOutputReportInOrder) {
  Write(Param_Settings_transfer, EncodeByte(1));
  Request(Param_Device_mode);
  WriteText(Param_Wi_Fi_name, "ABCDEFG", 8);
  const std::vector<Report> log = unit.OutputLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], Answer(13, 1, {1}));
  EXPECT_EQ(log[1], Answer(16, 1, {5}));
  EXPECT_EQ(log[2], (Report{1, 6, 5, 'A', 'B', 'C', 'D', 'E'}));
  EXPECT_EQ(log[3], (Report{1, 6, 2, 'F', 'G', 0, 0, 0}));
  unit.ClearOutputLog();
  EXPECT_EQ(unit.OutputReportCount(), 0u);
}

TEST_F(UnitModelTest, WiFiModuleLinesAndSwitches) {
  Write(Param_Wi_Fi_scan, EncodeByte(1));
  WriteText(Param_AT_command, "AT+CWQAP\r\n");
  WriteText(Param_AT_command, "AT+CWMODE_DEF=1\r\n", 8);  // split over several reports
  Write(Param_Wi_Fi_module_switch, EncodeByte(0));
  EXPECT_EQ(unit.AtCommands(), (std::vector<std::string>{"AT+CWQAP", "AT+CWMODE_DEF=1"}));
  EXPECT_EQ(unit.ScanMarker(), 1);
  EXPECT_EQ(unit.WiFiModuleSwitch(), 0);
}

TEST(UnitModelShortReports, AnswersAreCutToTheInputReportLength) {
  UnitModel unit({.inputReportLength = 5});
  std::vector<Report> answers;
  unit.SetAnswerSink([&](std::span<const std::uint8_t> r) { answers.emplace_back(r.begin(), r.end()); });
  unit.SetAddress(Param_Gateway, {10, 1, 2, 3});
  unit.SetText(Param_Wi_Fi_name, "Network");
  unit.HandleOutputReport(Report{1, 16, 1, Param_Gateway});
  unit.HandleOutputReport(Report{1, 16, 1, Param_Wi_Fi_name});
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0], (Report{1, 47, 4, 10, 1}));
  EXPECT_EQ(answers[1], (Report{1, 6, 2, 'N', 'e'}));
}

}  // namespace
}  // namespace ombrel::sim
