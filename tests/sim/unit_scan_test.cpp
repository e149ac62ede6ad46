// The unit's Wi-Fi module answering the program's scan commands, read with
// the program's decoder.

#include <gtest/gtest.h>

#include <vector>

#include "protocol/input_decoding.h"
#include "protocol/scan_entry.h"
#include "protocol/value_layouts.h"
#include "unit_fixture.h"

namespace ombrel::sim {
namespace {

class UnitScanTest : public UnitFixture {
 protected:
  UnitScanTest()
      : UnitFixture({.networks = {{.encryption = 3, .ssid = "Home", .rssi = -60, .mac = "aa:bb:cc:dd:ee:ff", .channel = 6},
                                  {.encryption = 0, .ssid = "", .rssi = -88, .mac = "aa:bb:cc:dd:ee:01", .channel = 1},
                                  {.encryption = 4,
                                   .ssid = "Kirrowind_ABCDEFGHIJKLMNOPQRSTUV",  // 32 characters
                                   .rssi = -45,
                                   .mac = "aa:bb:cc:dd:ee:02",
                                   .channel = 11}}}) {}

  // The commands the program writes for one scan.
  void ScanCommands() {
    Write(Param_Wi_Fi_scan, EncodeByte(1));
    WriteText(Param_AT_command, "AT+CWQAP\r\n");
    WriteText(Param_AT_command, "AT+CWMODE_DEF=1\r\n");
    WriteText(Param_AT_command, "AT+CWLAP\r\n");
  }

  // Decoded answers: the names of the parameter 4 answers and the texts of parameter 1.
  void Sort(std::vector<std::u16string>& names, std::vector<std::u16string>& replies) const {
    for (const Report& answer : answers) {
      const auto decoded = DecodeInputReport(answer);
      ASSERT_TRUE(decoded);
      if (decoded->id == Param_Wi_Fi_scan) names.push_back(NetworkNameFromScanEntry(decoded->text));
      if (decoded->id == Param_AT_command) replies.emplace_back(ShownText(decoded->text));
    }
  }
};

TEST_F(UnitScanTest, OneAnswerPerNetworkThatTheProgramReadsAsItsName) {
  ScanCommands();
  std::vector<std::u16string> names, replies;
  Sort(names, replies);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Home", u"", u"Kirrowind_ABCDEFGHIJKLMNOPQRSTUV"}));
  EXPECT_EQ(replies, (std::vector<std::u16string>{u"OK\r\n", u"OK\r\n", u"OK\r\n"}));
  EXPECT_EQ(unit.AtCommands(), (std::vector<std::string>{"AT+CWQAP", "AT+CWMODE_DEF=1", "AT+CWLAP"}));
}

TEST_F(UnitScanTest, ScanAnswerBytes) {
  Write(Param_Wi_Fi_scan, EncodeByte(1));
  WriteText(Param_AT_command, "AT+CWLAP\r\n");
  ASSERT_GE(answers.size(), 1u);
  const std::string entry = "+CWLAP:(3,\"Home\",-60,\"aa:bb:cc:dd:ee:ff\",6)";
  EXPECT_EQ(answers[0], Answer(Param_Wi_Fi_scan, static_cast<std::uint8_t>(entry.size()),
                               Report(entry.begin(), entry.end())));
}

TEST_F(UnitScanTest, NoListWithoutTheScanMarker) {
  WriteText(Param_AT_command, "AT+CWLAP\r\n");
  Write(Param_Wi_Fi_scan, EncodeByte(1));
  Write(Param_Wi_Fi_scan, EncodeByte(0));
  WriteText(Param_AT_command, "AT+CWLAP\r\n");
  std::vector<std::u16string> names, replies;
  Sort(names, replies);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(replies.size(), 2u);
}

TEST_F(UnitScanTest, SwitchedOffModuleAnswersNothing) {
  Write(Param_Wi_Fi_module_switch, EncodeByte(0));
  ScanCommands();
  EXPECT_TRUE(answers.empty());
  Write(Param_Wi_Fi_module_switch, EncodeByte(1));
  WriteText(Param_AT_command, "AT+CWLAP\r\n");
  std::vector<std::u16string> names, replies;
  Sort(names, replies);
  EXPECT_EQ(names.size(), 3u);
}

TEST_F(UnitScanTest, UnknownCommandIsAnError) {
  WriteText(Param_AT_command, "AT+NOPE\r\n");
  std::vector<std::u16string> names, replies;
  Sort(names, replies);
  EXPECT_EQ(replies, (std::vector<std::u16string>{u"ERROR\r\n"}));
}

TEST(UnitScanQuiet, WithoutModuleRepliesOnlyTheListComesBack) {
  UnitModel unit({.networks = {{.ssid = "A"}, {.ssid = "B"}}, .moduleReplies = false});
  std::vector<Report> answers;
  unit.SetAnswerSink([&](std::span<const std::uint8_t> r) { answers.emplace_back(r.begin(), r.end()); });
  unit.HandleOutputReport(Report{1, 4, 1, 1});
  unit.HandleOutputReport(Report{1, 1, 10, 'A', 'T', '+', 'C', 'W', 'L', 'A', 'P', '\r', '\n'});
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0][1], Param_Wi_Fi_scan);
  EXPECT_EQ(answers[1][1], Param_Wi_Fi_scan);
}

}  // namespace
}  // namespace ombrel::sim
