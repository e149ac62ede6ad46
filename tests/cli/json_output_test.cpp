// What --json prints is JSON a program can read back, with the documented
// fields and types, whatever the units' own texts hold.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "tests/cli/cli_fixture.h"

namespace ombrel::test {
namespace {

using nlohmann::json;

class JsonOutput : public CliFixture {};

TEST_F(JsonOutput, ListGivesEachUnitsFieldsAndWhyOneCannotBeOpened) {
  PlugUnit("Pendra DUO", "PD\"1\\\x01");
  PlugLockedUnit(u"");  // and without a serial number
  const CliRun run = Run({"list", "--json"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  const json units = json::parse(run.out);
  ASSERT_TRUE(units.is_array());
  ASSERT_EQ(units.size(), 2u);
  EXPECT_EQ(units[0]["number"], 1);
  EXPECT_EQ(units[0]["model"], "Pendra DUO");
  // The serial's control byte is shown escaped, as everywhere else.
  EXPECT_EQ(units[0]["serial"], "PD\"1\\\\x01");
  EXPECT_TRUE(units[0]["path"].is_string());
  EXPECT_EQ(units[0]["openable"], true);
  EXPECT_TRUE(units[0]["reason"].is_null());
  EXPECT_EQ(units[1]["model"], "Pendra");
  EXPECT_TRUE(units[1]["serial"].is_null());
  EXPECT_EQ(units[1]["openable"], false);
  EXPECT_NE(units[1]["reason"].get<std::string>().find("permission denied"), std::string::npos) << run.out;
}

TEST_F(JsonOutput, StatusIsOneObjectALineAlsoWhenWatched) {
  sim::SimulatedUnit& unit = PlugUnit();
  unit.Model().SetWiFiState(1);
  unit.Model().SetFilterRunSeconds(90061);
  interrupted = [&unit] { return unit.Model().OutputReportCount() >= 6; };
  const CliRun run = Run({"status", "--watch", "--json"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  std::istringstream lines(run.out);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    const json status = json::parse(line);
    EXPECT_EQ(status["wifi"], "connected");
    EXPECT_EQ(status["master"], "disconnected");
    EXPECT_TRUE(status["filter_run_seconds"].is_number_integer());
    EXPECT_GE(status["filter_run_seconds"].get<long long>(), 90061);
    EXPECT_TRUE(status["filter_run_time"].get<std::string>().starts_with("1d 01:01:0")) << line;
  }
  EXPECT_EQ(count, 2);
}

TEST_F(JsonOutput, ScanListsEveryAccessPointWithAllTheModuleTells) {
  sim::SimulatedUnit& unit = PlugUnit();
  unit.Model().SetVisibleNetworks({{3, "Home", -50, "aa:bb:cc:00:00:01", 6},
                                   {0, "", -80, "aa:bb:cc:00:00:02", 1},
                                   {4, "Home", -70, "aa:bb:cc:00:00:03", 11},
                                   {2, "Caf\xE9 \"x\"\x1b", -60, "aa:bb:cc:00:00:04", 13}});
  const CliRun run = Run({"scan", "--json"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  const json networks = json::parse(run.out);
  ASSERT_EQ(networks.size(), 4u) << run.out;
  EXPECT_EQ(networks[0], json::parse(R"({"name": "Home", "security": "WPA2_PSK", "rssi": -50,
                                         "mac": "aa:bb:cc:00:00:01", "channel": 6})"));
  EXPECT_EQ(networks[1]["name"], "");
  EXPECT_EQ(networks[1]["security"], "OPEN");
  EXPECT_EQ(networks[2]["security"], "WPA_WPA2_PSK");
  EXPECT_EQ(networks[2]["channel"], 11);
  // The unit's bytes as characters, as the window shows them; the quote and
  // the escape byte survive as JSON escapes.
  EXPECT_EQ(networks[3]["name"], "Caf\xC3\xA9 \"x\"\x1b");
  EXPECT_EQ(networks[3]["security"], "WPA_PSK");
  EXPECT_EQ(networks[3]["rssi"], -60);
}

TEST_F(JsonOutput, DiffGivesEachDifferingKeyAndNeverAPassword) {
  PlugUnit();
  const CliRun read = Run({"read"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  std::string file = read.out;
  file.replace(file.find("channel = 6"), 11, "channel = 9");
  const std::string password = "password = \"12345678\"";
  ASSERT_NE(file.find(password), std::string::npos) << file;
  file.replace(file.find(password), password.size(), "password = \"secret-\\\"x\"");
  const CliRun diff = Run({"diff", "--json", "-"}, file);
  EXPECT_EQ(diff.code, 1) << diff.err;
  const json differences = json::parse(diff.out);
  EXPECT_EQ(differences, json::parse(R"([{"key": "wifi.password", "unit": null, "file": null},
                                         {"key": "wifi.channel", "unit": "6", "file": "9"}])"));
  EXPECT_EQ(diff.out.find("secret"), std::string::npos);
  EXPECT_EQ(json::parse(Run({"diff", "--json", "-"}, read.out).out), json::array());
}

}  // namespace
}  // namespace ombrel::test
