// `write` reads the unit back and names every value it holds otherwise
// than sent; `diff` compares a unit with a file as a write would send it;
// `check` judges a file as `write` does, with no unit.
#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "protocol/parameter_ids.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/round_trip_cases.h"

namespace ombrel::test {
namespace {

// The unit's settings as an access point on channel 6; `read` prints them.
const Stored kAccessPoint{With(kHome,
                               [](WiFiSettings& s) {
                                 s.connectionType = 2;
                                 s.networkName = u"Kirrowind_Pendra";
                                 s.masterAddress = {192, 168, 4, 1};
                               }),
                          {}};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class Verify : public CliFixture {
 protected:
  // What `read` prints for the unit as it is now.
  std::string ReadFile(sim::SimulatedUnit& unit) {
    Store(unit.Model(), kAccessPoint);
    const CliRun read = Run({"read"});
    EXPECT_EQ(read.code, cli::kExitOk) << read.err;
    return read.out;
  }
};

struct LostWrite {
  const char* what;
  ParamID lost;
  std::string from, to;  // the file's edit
  std::string line;      // what the error names
};
void PrintTo(const LostWrite& c, std::ostream* os) { *os << c.what; }

class LostWrites : public Verify, public testing::WithParamInterface<LostWrite> {};

TEST_P(LostWrites, AWriteTheUnitNeverGotIsNamedWithExitStatusThree) {
  const LostWrite& c = GetParam();
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string file = Replaced(ReadFile(unit), c.from, c.to);
  unit.Model().DropWrites(c.lost);
  const CliRun run = Run({"write", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitMismatch) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "ombrel-cli: the unit holds other values than were written (unit 1 (Pendra DUO, PD42)):\n  " +
                         c.line + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, LostWrites,
    testing::Values(
        LostWrite{"Channel", Param_Wi_Fi_channel, "channel = 6", "channel = 11",
                  "[wifi] channel: unit 6, written 11"},
        LostWrite{"Name", Param_Wi_Fi_name, "name = \"Kirrowind_Pendra\"", "name = \"Kirrowind_Attic\"",
                  "[wifi] name: unit 'Kirrowind_Pendra', written 'Kirrowind_Attic'"},
        // A password is compared but never shown.
        LostWrite{"Password", Param_Wi_Fi_password, "password = \"mossy-fern-42\"", "password = \"new-secret-99\"",
                  "[wifi] password: differs (passwords are not shown)"},
        LostWrite{"Address", Param_Gateway, "gateway = 192.168.1.254", "gateway = 10.0.0.1",
                  "[wifi] gateway: unit 192.168.1.254, written 10.0.0.1"},
        LostWrite{"FanFlag", Param_External_sensor1, "relay_sensor = on", "relay_sensor = off",
                  "[fan] relay_sensor: unit on, written off"},
        LostWrite{"Time", Param_Timer_night_mode, "night_mode_timer = 00:00", "night_mode_timer = 07:30",
                  "[fan] night_mode_timer: unit 00:00, written 07:30"}),
    [](const testing::TestParamInfo<LostWrite>& info) { return std::string(info.param.what); });

TEST_F(Verify, AWriteTheUnitTookIsReadBackAndSaidSo) {
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string file = Replaced(ReadFile(unit), "channel = 6", "channel = 11");
  const CliRun run = Run({"write", "-"}, file);
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD42); read back, it holds every value sent.\n");
  EXPECT_EQ(unit.Model().StoredValue(Param_Wi_Fi_channel), (Report{11}));
}

TEST_F(Verify, NoVerifyTrustsTheLineAndAsksNothing) {
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string file = Replaced(ReadFile(unit), "channel = 6", "channel = 11");
  unit.Model().ClearOutputLog();
  unit.Model().DropWrites(Param_Wi_Fi_channel);
  const CliRun run = Run({"write", "--no-verify", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitOk) << run.err;
  for (const Report& report : unit.Model().OutputLog()) EXPECT_NE(report[1], Param_Read_request);
}

TEST_F(Verify, AUnitThatStopsAnsweringAfterTheWritesIsExitStatusTwo) {
  answerLimit = std::chrono::milliseconds(50);
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string file = ReadFile(unit);
  AnswerOnly(unit, 3);
  const CliRun run = Run({"write", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitUnit);
  EXPECT_NE(run.err.find("stopped answering"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("[wifi] and [fan] written, but the read-back to verify it failed"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");
}

class Diff : public Verify {};

TEST_F(Diff, TheUnitsOwnSettingsAreNoDifference) {
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string file = ReadFile(unit);
  const CliRun run = Run({"diff", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

TEST_F(Diff, EachDifferingKeyIsALineAndTheStatusIsOne) {
  sim::SimulatedUnit& unit = PlugUnit();
  std::string file = ReadFile(unit);
  file = Replaced(file, "channel = 6", "channel = 11");
  file = Replaced(file, "password = \"mossy-fern-42\"", "password = \"other-secret\"");
  file = Replaced(file, "humidity_threshold = 70", "humidity_threshold = 45");
  unit.Model().ClearOutputLog();
  const CliRun run = Run({"diff", "-"}, file);
  EXPECT_EQ(run.code, 1) << run.err;
  EXPECT_EQ(run.out,
            "[wifi] password: differs (passwords are not shown)\n"
            "[wifi] channel: unit 6, file 11\n"
            "[fan] humidity_threshold: unit 70, file 45\n");
  EXPECT_EQ(run.out.find("other-secret"), std::string::npos);
  // Only read requests went out.
  for (const Report& report : unit.Model().OutputLog()) EXPECT_EQ(report[1], Param_Read_request);
}

TEST_F(Diff, AValueTheWriteDoesNotSendIsNoDifference) {
  sim::SimulatedUnit& unit = PlugUnit();
  // An access point is at 192.168.4.1 whatever the file says.
  const std::string file = Replaced(ReadFile(unit), "master_address = 192.168.4.1", "master_address = 10.0.0.5");
  const CliRun run = Run({"diff", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitOk) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("warning: [wifi] master_address"), std::string::npos) << run.err;
}

TEST_F(Diff, TroubleIsStatusTwo) {
  // No unit.
  const std::string file = WriteFile("unit.ini", "[fan]\noff_allowed = yes\n");
  EXPECT_EQ(Run({"diff", "-"}, "[fan]\n").code, cli::kExitUnit);  // a file with problems
  const CliRun none = Run({"diff", "-"}, [&] {
    sim::SimulatedUnit& unit = PlugUnit();
    std::string text = ReadFile(unit);
    units.clear();
    return text;
  }());
  EXPECT_EQ(none.code, cli::kExitUnit);
  EXPECT_EQ(none.err, "ombrel-cli: no unit found (is it plugged in?)\n");

  answerLimit = std::chrono::milliseconds(50);
  sim::SimulatedUnit& silent = PlugUnit();
  const std::string text = ReadFile(silent);
  AnswerOnly(silent, 0);
  const CliRun quiet = Run({"diff", "-"}, text);
  EXPECT_EQ(quiet.code, cli::kExitUnit);
  EXPECT_NE(quiet.err.find("stopped answering"), std::string::npos) << quiet.err;
  EXPECT_EQ(quiet.out, "");
}

class Check : public Verify {};

TEST_F(Check, AGoodFileIsFineWithoutAnyUnit) {
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string text = ReadFile(unit);
  units.clear();
  const std::string path = WriteFile("good.ini", text);
  const CliRun run = Run({"check", path});
  EXPECT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, path + ": [wifi] and [fan] can be written.\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(Check, ABadFileListsItsProblemsAndWarningsAndIsStatusOne) {
  const CliRun run = Run({"check", "-"},
                         "[wifi]\nrole = master\nrouter = no\nname = \"Kirrowind_Pendra\"\npassword = \"12345678\"\n"
                         "security = WPA2_PSK\nchannel = 14\nslave_number = 1\nslave_address_mode = dhcp\n"
                         "slave_address = 192.168.4.2\nmaster_address = 10.0.0.5\ngateway = 192.168.4.1\n");
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("<stdin>:7: [wifi] channel = 14: expected a channel from 1 to 13\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("<stdin>:11: warning: [wifi] master_address"), std::string::npos) << run.err;
}

TEST_F(Check, WhatIsNoSettingsFileIsSaidPlainly) {
  EXPECT_EQ(Run({"check", testing::TempDir()}).err,
            "ombrel-cli: cannot read '" + testing::TempDir() + "': it is a directory\n");
  EXPECT_EQ(Run({"check", testing::TempDir() + "no-such.ini"}).err,
            "ombrel-cli: cannot read '" + testing::TempDir() + "no-such.ini': No such file or directory\n");
  inputClosed = true;
  const CliRun closed = Run({"check", "-"});
  EXPECT_EQ(closed.code, cli::kExitBadInput);
  EXPECT_EQ(closed.err, "ombrel-cli: cannot read standard input\n");
  // A file named like an option, after --.
  inputClosed = false;
  const CliRun dashed = Run({"check", "--", "-x.ini"});
  EXPECT_EQ(dashed.err, "ombrel-cli: cannot read '-x.ini': No such file or directory\n");
}

}  // namespace
}  // namespace ombrel::test
