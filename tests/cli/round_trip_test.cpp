// `ombrel-cli read > f.ini; ombrel-cli write f.ini` writes to the unit what
// the window's Wi-Fi Apply/Save and then Fan Apply/Save write after
// "Receive current parameters" with nothing edited, pauses included, but
// for timers past 23:59, which go back as the unit holds them.
#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "protocol/read_back_walk.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/round_trip_cases.h"
#include "tests/support/window_sequences.h"

namespace ombrel::test {
namespace {

class RoundTrip : public CliFixture, public testing::WithParamInterface<RoundTripCase> {};

TEST_P(RoundTrip, WriteOfWhatReadPrintedIsTheWindowsApplyOfBothPages) {
  const RoundTripCase& c = GetParam();
  sim::SimulatedUnit& unit = PlugUnit();
  Store(unit.Model(), c.stored);

  const CliRun read = Run({"read"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  EXPECT_EQ(read.err, "");
  const std::string file = WriteFile(std::string(c.mode) + ".ini", read.out);

  unit.Model().ClearOutputLog();
  pauses.clear();
  const CliRun write = Run({"write", "--no-verify", file});
  ASSERT_EQ(write.code, cli::kExitOk) << write.err << "\n" << read.out;
  const auto uploads = Concat({WindowWiFiUpload(c.wifiSent), WindowFanUpload(CliFanSent(c))});
  EXPECT_EQ(unit.Model().OutputLog(), uploads) << read.out;
  EXPECT_EQ(pauses, (std::vector<PauseMark>{{100, 13}, {250, 14}}));
  EXPECT_EQ(write.out, "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD42) (not read back: --no-verify).\n");

  // Standard input does the same; verified, the uploads are followed by
  // the read-back's requests and nothing else.
  unit.Model().ClearOutputLog();
  pauses.clear();
  const CliRun piped = Run({"write", "-"}, read.out);
  ASSERT_EQ(piped.code, cli::kExitOk) << piped.err;
  EXPECT_EQ(piped.out, "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD42); read back, it holds every value sent.\n");
  const auto log = unit.Model().OutputLog();
  ASSERT_EQ(log.size(), uploads.size() + kReadBackLength);
  EXPECT_EQ(std::vector<Report>(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(uploads.size())), uploads);
  for (std::size_t i = uploads.size(); i < log.size(); ++i) EXPECT_EQ(log[i][1], Param_Read_request) << i;
  ASSERT_GE(pauses.size(), 2u);
  EXPECT_EQ(std::vector<PauseMark>(pauses.begin(), pauses.begin() + 2), (std::vector<PauseMark>{{100, 13}, {250, 14}}));
}

INSTANTIATE_TEST_SUITE_P(
    EachMode, RoundTrip, testing::ValuesIn(RoundTripCases()),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.mode); });

TEST_P(RoundTrip, JsonWorksTheSame) {
  const RoundTripCase& c = GetParam();
  sim::SimulatedUnit& unit = PlugUnit();
  Store(unit.Model(), c.stored);
  const CliRun read = Run({"read", "--json"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  unit.Model().ClearOutputLog();
  const CliRun write = Run({"write", "--no-verify", WriteFile(std::string(c.mode) + ".json", read.out)});
  ASSERT_EQ(write.code, cli::kExitOk) << write.err << "\n" << read.out;
  EXPECT_EQ(unit.Model().OutputLog(), Concat({WindowWiFiUpload(c.wifiSent), WindowFanUpload(CliFanSent(c))}));
}

class ReadOutput : public CliFixture {};

TEST_F(ReadOutput, PrintsEveryKeyReadably) {
  Store(PlugUnit().Model(), {kHome,
                             {.relaySensor = 0, .humidityThreshold = 60, .sensor0To10VThreshold = 75,
                              .turnOffDelay = 15 * 60, .nightMode = 7 * 3600 + 30 * 60, .partyMode = 2 * 3600,
                              .scenario = 0}});
  const CliRun read = Run({"read"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  EXPECT_EQ(read.out,
            "; Pendra DUO PD42, read by ombrel-cli 1.0.0\n"
            "; ombrel-cli write FILE sends these values as the window's Apply/Save would.\n"
            "[wifi]\n"
            "role = master\n"
            "router = yes\n"
            "name = \"Birchwood-Home\"\n"
            "password = \"mossy-fern-42\"\n"
            "security = WPA2_PSK\n"
            "channel = 6\n"
            "slave_number = 5\n"
            "slave_address_mode = static\n"
            "slave_address = 192.168.1.77\n"
            "master_address = 192.168.1.50\n"
            "gateway = 192.168.1.254\n"
            "\n"
            "[fan]\n"
            "off_allowed = yes\n"
            "direction = supply\n"
            "humidity_sensor = on\n"
            "relay_sensor = off\n"
            "sensor_0_10v = on\n"
            "humidity_threshold = 60\n"
            "sensor_0_10v_threshold = 75\n"
            "turn_off_delay = 00:15\n"
            "night_mode_timer = 07:30\n"
            "party_mode_timer = 02:00\n"
            "humidity_scenario = boost-in-current-mode\n");
}

TEST_F(ReadOutput, AChannelTheListLacksIsPrintedAsHeldAndNotWrittenBackAsTheWindowRefuses) {
  sim::SimulatedUnit& unit = PlugUnit();
  Store(unit.Model(), {With(kHome, [](WiFiSettings& s) {
                         s.connectionType = 2;
                         s.channel = 0;
                       }),
                       {}});
  const CliRun read = Run({"read"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  EXPECT_NE(read.out.find("router = no\nname = \"Birchwood-Home\"\npassword = \"mossy-fern-42\"\n"), std::string::npos)
      << read.out;
  EXPECT_NE(read.out.find("channel = 0\n"), std::string::npos) << read.out;

  unit.Model().ClearOutputLog();
  const CliRun write = Run({"write", "-"}, read.out);
  EXPECT_EQ(write.code, cli::kExitBadInput);
  EXPECT_EQ(write.err, "<stdin>:9: [wifi] channel = 0: expected a channel from 1 to 13\nombrel-cli: nothing was written\n");
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
}

TEST_F(ReadOutput, JsonHasTheSameKeysWithNumbersAndFlagsAsSuch) {
  Store(PlugUnit().Model(), {kHome, {}});
  const CliRun read = Run({"read", "--json"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  EXPECT_NE(read.out.find("\"router\": true,"), std::string::npos) << read.out;
  EXPECT_NE(read.out.find("\"channel\": 6,"), std::string::npos);
  EXPECT_NE(read.out.find("\"name\": \"Birchwood-Home\","), std::string::npos);
  EXPECT_NE(read.out.find("\"night_mode_timer\": \"00:00\","), std::string::npos);
  EXPECT_NE(read.out.find("\"humidity_scenario\": \"boost-and-exhaust\"\n"), std::string::npos);
  EXPECT_EQ(read.out.front(), '{');
  EXPECT_EQ(read.out.substr(read.out.size() - 2), "}\n");
}

TEST_F(ReadOutput, TextsWithQuotesAndLatin1BytesSurviveTheRoundTrip) {
  sim::SimulatedUnit& unit = PlugUnit();
  Store(unit.Model(), {kHome, {}});
  const std::string name = "Caf\xE9 \"A\\B\"";  // bytes as the unit holds them
  unit.Model().SetText(Param_Wi_Fi_name, name);
  const CliRun read = Run({"read"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  EXPECT_NE(read.out.find("name = \"Caf\xC3\xA9 \\\"A\\\\B\\\"\"\n"), std::string::npos) << read.out;

  unit.Model().ClearOutputLog();
  ASSERT_EQ(Run({"write", WriteFile("texts.ini", read.out)}).code, cli::kExitOk);
  const auto log = unit.Model().OutputLog();
  ASSERT_GT(log.size(), 6u);
  std::u16string bytes;
  for (unsigned char c : name) bytes += char16_t(c);
  EXPECT_EQ(log[6], Frames(6, bytes).front());
}

}  // namespace
}  // namespace ombrel::test
