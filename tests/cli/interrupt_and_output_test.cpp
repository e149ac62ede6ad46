// Ctrl-C stops a command where the unit is left whole and says what was
// done; restore-defaults asks first; output that cannot be written is an
// error, never a silent success; every command has its own help.
#include <gtest/gtest.h>

#include "cli/cli_main.h"
#include "cli/command_table.h"
#include "cli/demo_environment.h"
#include "cli/exit_codes.h"
#include "protocol/parameter_ids.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/round_trip_cases.h"

namespace ombrel::test {
namespace {

constexpr std::size_t kWiFiReports = 15;  // the bracketed writes and the module's restart
constexpr std::size_t kFanReports = 13;

class Interrupt : public CliFixture {
 protected:
  // What `read` prints, the unit's log cleared after it.
  std::string ReadFile(sim::SimulatedUnit& unit) {
    Store(unit.Model(), {kHome, {}});
    const CliRun read = Run({"read"});
    EXPECT_EQ(read.code, cli::kExitOk) << read.err;
    unit.Model().ClearOutputLog();
    pauses.clear();
    return read.out;
  }
};

struct WriteStop {
  const char* what;
  // When the stop is asked for: after so many reports, or at the n-th pause.
  std::size_t afterReports;
  std::size_t atPause;
  std::size_t sent;  // reports the unit got in all
  std::string err;
  std::size_t sentUpTo = 0;  // when the walk's answers race the stop: at most so many
};
void PrintTo(const WriteStop& c, std::ostream* os) { *os << c.what; }

class WriteInterrupted : public Interrupt, public testing::WithParamInterface<WriteStop> {};

TEST_P(WriteInterrupted, StopsAtASectionsEndAndSaysWhatWentOut) {
  const WriteStop& c = GetParam();
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string file = ReadFile(unit);
  interrupted = [&] {
    return unit.Model().OutputReportCount() >= c.afterReports || (c.atPause != 0 && pauses.size() >= c.atPause);
  };
  const CliRun run = Run({"write", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitInterrupted);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, c.err);
  if (c.sentUpTo == 0) {
    EXPECT_EQ(unit.Model().OutputReportCount(), c.sent);
  } else {
    EXPECT_GE(unit.Model().OutputReportCount(), c.sent);
    EXPECT_LT(unit.Model().OutputReportCount(), c.sentUpTo);
  }
  EXPECT_FALSE(unit.Model().SettingsTransferOpen());
}

INSTANTIATE_TEST_SUITE_P(
    EachPoint, WriteInterrupted,
    testing::Values(
        WriteStop{"BeforeAnything", 0, 0, 0, "ombrel-cli: interrupted: nothing was written to unit 1 (Pendra DUO, PD42)\n"},
        // Inside the Wi-Fi section: it goes out whole, the fan section not.
        WriteStop{"InsideWiFi", 3, 0, kWiFiReports,
                  "ombrel-cli: interrupted: [wifi] written to unit 1 (Pendra DUO, PD42); [fan] not sent\n"},
        // During the module's restart, between the two sections.
        WriteStop{"BetweenSections", 1000, 2, kWiFiReports,
                  "ombrel-cli: interrupted: [wifi] written to unit 1 (Pendra DUO, PD42); [fan] not sent\n"},
        WriteStop{"WhileVerifying", kWiFiReports + kFanReports + 2, 0, kWiFiReports + kFanReports + 2,
                  "ombrel-cli: interrupted: [wifi] and [fan] written to unit 1 (Pendra DUO, PD42); not read "
                  "back to verify\n",
                  kWiFiReports + kFanReports + 22}),
    [](const testing::TestParamInfo<WriteStop>& info) { return std::string(info.param.what); });

TEST_F(Interrupt, AScanStoppedPutsTheModuleBack) {
  sim::SimulatedUnit& unit = PlugUnit();
  unit.Model().SetVisibleNetworks({});  // the module never answers: the scan would wait 10 s
  interrupted = [&] { return unit.Model().OutputReportCount() >= 4; };
  const CliRun run = Run({"scan"});
  EXPECT_EQ(run.code, cli::kExitInterrupted);
  EXPECT_EQ(run.err,
            "ombrel-cli: interrupted: the scan was stopped and the Wi-Fi module of unit 1 (Pendra DUO, PD42) "
            "restarted\n");
  const auto log = unit.Model().OutputLog();
  ASSERT_EQ(log.size(), 7u);
  EXPECT_EQ(Reports(log.end() - 3, log.end()), Concat({Frames(4, Byte(0)), Frames(3, Byte(0)), Frames(3, Byte(1))}));
  EXPECT_EQ(unit.Model().ScanMarker(), 0);
  EXPECT_EQ(unit.Model().WiFiModuleSwitch(), 1);
}

TEST_F(Interrupt, AReadOrStatusStoppedPrintsNothingAndIs130) {
  sim::SimulatedUnit& unit = PlugUnit();
  interrupted = [&] { return unit.Model().OutputReportCount() >= 5; };
  const CliRun read = Run({"read"});
  EXPECT_EQ(read.code, cli::kExitInterrupted);
  EXPECT_EQ(read.out, "");
  EXPECT_EQ(read.err, "ombrel-cli: interrupted while reading unit 1 (Pendra DUO, PD42); nothing was printed\n");

  unit.Model().ClearOutputLog();
  interrupted = [&] { return unit.Model().OutputReportCount() >= 1; };
  const CliRun status = Run({"status"});
  EXPECT_EQ(status.code, cli::kExitInterrupted);
  EXPECT_EQ(status.out, "");
}

class RestoreDefaults : public CliFixture {};

TEST_F(RestoreDefaults, OnATerminalOnlyAYesRestores) {
  sim::SimulatedUnit& unit = PlugUnit();
  terminal = true;
  for (const char* answer : {"n\n", "\n", "", "nope\n", "yess\n"}) {
    const CliRun run = Run({"restore-defaults"}, answer);
    EXPECT_EQ(run.code, cli::kExitBadInput) << answer;
    EXPECT_NE(run.err.find("Restore the factory settings of unit 1 (Pendra DUO, PD42)? "), std::string::npos);
    EXPECT_NE(run.err.find("not restored: unit 1 (Pendra DUO, PD42) was not changed"), std::string::npos);
    EXPECT_EQ(unit.Model().OutputReportCount(), 0u) << answer;
  }
  for (const char* answer : {"y\n", "yes\r\n", " Y \n"}) {
    unit.Model().SetText(Param_Wi_Fi_name, "Changed");
    unit.Model().ClearOutputLog();
    const CliRun run = Run({"restore-defaults"}, answer);
    ASSERT_EQ(run.code, cli::kExitOk) << answer << run.err;
    EXPECT_EQ(unit.Model().OutputLog()[1], Frames(Param_Restore_default_parameters, Byte(0)).front());
    EXPECT_NE(run.out.find("name = \"Kirrowind_Pendra\"\n"), std::string::npos) << run.out;
  }
}

TEST_F(RestoreDefaults, WithoutATerminalOnlyYesRestores) {
  sim::SimulatedUnit& unit = PlugUnit();
  const CliRun refused = Run({"restore-defaults"}, "y\n");
  EXPECT_EQ(refused.code, cli::kExitBadInput);
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
  const CliRun agreed = Run({"restore-defaults", "--yes"});
  EXPECT_EQ(agreed.code, cli::kExitOk) << agreed.err;
  EXPECT_EQ(agreed.err, "");
}

TEST_F(RestoreDefaults, StoppedWhileReadingBackSaysTheUnitWasRestored) {
  sim::SimulatedUnit& unit = PlugUnit();
  interrupted = [&] { return unit.Model().OutputReportCount() >= 5; };
  const CliRun run = Run({"restore-defaults", "--yes"});
  EXPECT_EQ(run.code, cli::kExitInterrupted);
  EXPECT_EQ(run.err,
            "ombrel-cli: interrupted: unit 1 (Pendra DUO, PD42) was restored to its factory settings; they were "
            "not read back\n");
}

class Output : public CliFixture {};

TEST_F(Output, OutputThatCannotBeWrittenIsAnErrorForEveryCommandThatPrints) {
  sim::SimulatedUnit& unit = PlugUnit();
  Store(unit.Model(), {kHome, {}});
  unit.Model().SetVisibleNetworks({{3, "Home", -50, "aa:bb:cc:00:00:01", 6}});
  const std::string file = WriteFile("unit.ini", Run({"read"}).out);
  outputFull = true;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"read"}, {"read", "--json"}, {"status"}, {"list"}, {"scan"},
                                             {"check", file}, {"write", file}, {"reset-filter"},
                                             {"restore-defaults", "--yes"}, {"--help"}, {"help", "diff"}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, cli::kExitOutput) << args.front() << run.err;
    EXPECT_TRUE(run.err.ends_with("ombrel-cli: cannot write the output: the output stream failed\n"))
        << args.front() << ": " << run.err;
  }
}

class Help : public CliFixture {};

TEST_F(Help, EveryCommandHasItsOwnPageThreeWays) {
  for (const cli::CommandInfo& c : cli::Commands()) {
    const std::string name(c.name);
    const CliRun page = Run({"help", name});
    EXPECT_EQ(page.code, cli::kExitOk) << name;
    EXPECT_EQ(page.out.rfind("Usage: ombrel-cli [--demo] " + name, 0), 0u) << page.out;
    EXPECT_NE(page.out.find("\nExit status:\n"), std::string::npos) << name;
    if (name != "help") {
      EXPECT_EQ(Run({name, "--help"}).out, page.out) << name;
    }
    EXPECT_EQ(Run({"--help", name}).out, page.out) << name;
    for (const auto& line : {page.out}) {
      std::size_t start = 0;
      for (std::size_t end; (end = line.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u) << name << ": " << line.substr(start, end - start);
    }
  }
  EXPECT_NE(Run({"help", "write"}).out.find("  3  the unit holds other values than were written"), std::string::npos);
  EXPECT_NE(Run({"help", "status"}).out.find("--watch"), std::string::npos);
}

TEST_F(Help, TheOverviewNamesEveryCommandAndEveryExitStatus) {
  const CliRun help = Run({"--help"});
  for (const cli::CommandInfo& c : cli::Commands())
    EXPECT_NE(help.out.find("\n  " + std::string(c.name) + " "), std::string::npos) << c.name;
  for (const char* code : {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  ", "\n  4  ", "\n130  "})
    EXPECT_NE(help.out.find(code), std::string::npos) << code;
  EXPECT_EQ(Run({"help"}).out, help.out);
}

TEST(DemoList, TheSimulatedUnitsPathSaysItIsSimulated) {
  std::istringstream in;
  std::ostringstream out, err;
  ASSERT_EQ(cli::RunCli(std::vector<std::string>{"--demo", "list"}, in, out, err,
                        [](const cli::DemoOptions& demo) {
                          EXPECT_TRUE(demo.on);
                          return cli::DemoEnvironment();
                        }),
            cli::kExitOk)
      << err.str();
  EXPECT_EQ(out.str(), "1\tPendra DUO\tPD2407311\tsimulated-unit-1\tread-write\n");
}

}  // namespace
}  // namespace ombrel::test
