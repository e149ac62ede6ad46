// The commands on simulated units: listing, choosing a unit, a unit that
// cannot be opened or stops answering, status, scan and maintenance.
#include <gtest/gtest.h>

#include <atomic>

#include "cli/demo_environment.h"
#include "cli/exit_codes.h"
#include "cli/commands.h"
#include "protocol/parameter_ids.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/window_sequences.h"

namespace ombrel::test {
namespace {

class Commands : public CliFixture {
 protected:
  std::shared_ptr<platform::VirtualHidDevice> PlugKeyboard() {
    platform::VirtualHidDeviceSetup setup;
    setup.Attributes.VendorID = 0x046D;
    setup.Attributes.ProductID = 0xC31C;
    setup.Caps = platform::MakeVirtualCaps(9, 2);
    setup.Product = u"USB Keyboard";
    return bus->Plug(setup);
  }
};

TEST_F(Commands, ListShowsEachUnitWithWhetherItCanBeOpened) {
  PlugUnit("Pendra DUO", "PD42");
  PlugKeyboard();
  auto locked = PlugLockedUnit();
  PlugUnit("Pendra X", "PD43");
  const CliRun run = Run({"list"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  const std::string path1 = units[0]->Device().DevicePath(), path2 = locked->DevicePath(),
                    path3 = units[1]->Device().DevicePath();
  EXPECT_EQ(run.out, "1\tPendra DUO\tPD42\t" + path1 + "\tread-write\n" +
                         "2\tPendra\tPD77\t" + path2 +
                         "\tnot openable: permission denied (on Linux, install Ombrel's udev rule and plug the "
                         "unit in again); open " +
                         path2 + " for reading and writing: access denied\n" +
                         "3\tPendra\tPD43\t" + path3 + "\tread-write\n");
  EXPECT_EQ(units[0]->Model().OutputReportCount(), 0u) << "listing asks the units nothing";
}

TEST_F(Commands, NoUnitIsExitStatusTwo) {
  PlugKeyboard();
  for (const auto& args : std::vector<std::vector<std::string>>{{"list"}, {"read"}, {"status"}, {"reset-filter"}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, cli::kExitUnit) << args[0];
    EXPECT_EQ(run.err, "ombrel-cli: no unit found (is it plugged in?)\n") << args[0];
  }
}

TEST_F(Commands, SeveralUnitsNeedUnitAndUnitPicksByListingNumber) {
  sim::SimulatedUnit& first = PlugUnit("Pendra", "PD1");
  sim::SimulatedUnit& second = PlugUnit("Pendra DUO", "PD2");
  const CliRun ambiguous = Run({"reset-filter"});
  EXPECT_EQ(ambiguous.code, cli::kExitUnit);
  EXPECT_EQ(ambiguous.err, "ombrel-cli: 2 units found: choose one with --unit N or --serial SN (see ombrel-cli list)\n");
  EXPECT_EQ(Run({"reset-filter", "--unit", "3"}).code, cli::kExitUnit);
  EXPECT_EQ(first.Model().OutputReportCount() + second.Model().OutputReportCount(), 0u);

  const CliRun picked = Run({"reset-filter", "--unit=2"});
  ASSERT_EQ(picked.code, cli::kExitOk) << picked.err;
  EXPECT_EQ(picked.out, "The filter timer of unit 2 (Pendra DUO, PD2) starts again from zero.\n");
  EXPECT_EQ(first.Model().OutputReportCount(), 0u);
  EXPECT_EQ(second.Model().OutputLog(), Frames(Param_Reset_filter_timer, Byte(0)));
}

TEST_F(Commands, SerialPicksTheUnitWhateverItsPlaceInTheList) {
  PlugUnit("Pendra", "PA1");
  sim::SimulatedUnit& second = PlugUnit("Pendra DUO", "PD2");
  const CliRun picked = Run({"reset-filter", "--serial", "PD2"});
  ASSERT_EQ(picked.code, cli::kExitOk) << picked.err;
  EXPECT_EQ(picked.out, "The filter timer of unit 2 (Pendra DUO, PD2) starts again from zero.\n");
  EXPECT_EQ(second.Model().OutputReportCount(), 1u);

  const CliRun none = Run({"read", "--serial=PX9"});
  EXPECT_EQ(none.code, cli::kExitUnit);
  EXPECT_EQ(none.err, "ombrel-cli: no unit has the serial number 'PX9'; the units present have PA1, PD2\n");

  PlugUnit("Pendra DUO", "PD2");
  const CliRun twice = Run({"read", "--serial", "PD2"});
  EXPECT_EQ(twice.code, cli::kExitUnit);
  EXPECT_EQ(twice.err, "ombrel-cli: 2 units have the serial number 'PD2' (units 2, 3): choose one with --unit N\n");

  for (const auto& args : std::vector<std::vector<std::string>>{{"read", "--unit", "1", "--serial", "PA1"},
                                                                 {"read", "--serial", "PA1", "--serial", "PA1"},
                                                                 {"read", "--serial"},
                                                                 {"list", "--serial", "PA1"}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, cli::kExitBadInput) << args.back();
    EXPECT_NE(run.err, "") << args.back();
  }
}

TEST_F(Commands, AUnitThatCannotBeOpenedIsExitStatusTwoWithTheReason) {
  PlugLockedUnit();
  const CliRun run = Run({"read"});
  EXPECT_EQ(run.code, cli::kExitUnit);
  EXPECT_NE(run.err.find("cannot be opened for reading and writing: permission denied"), std::string::npos)
      << run.err;
}

TEST_F(Commands, AUnitThatStopsAnsweringMidWalkEndsTheReadWithinItsLimit) {
  answerLimit = std::chrono::milliseconds(50);
  sim::SimulatedUnit& unit = PlugUnit();
  AnswerOnly(unit, 7);  // 5, 12, 6, 7, 8, 9, 10 answer; 11 does not
  const auto start = std::chrono::steady_clock::now();
  const CliRun run = Run({"read"});
  EXPECT_EQ(run.code, cli::kExitUnit);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "ombrel-cli: unit 1 (Pendra DUO, PD42) stopped answering: no answer to the request for parameter 11 "
            "(Param_IP_Master) within 0.05 s after 7 of 22 settings\n");
  // A hang guard, not a pace: the walk gave up instead of waiting on.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(Commands, StatusPrintsTheStatesAndTheFilterRunTime) {
  sim::SimulatedUnit& unit = PlugUnit();
  unit.Model().SetWiFiState(2);
  unit.Model().SetFilterRunSeconds(90061);
  const CliRun run = Run({"status"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out,
            "wifi = connected\nmaster = disconnected\nfilter_run_time = 1d 01:01:01\nfilter_run_seconds = 90061\n");
  EXPECT_EQ(unit.Model().OutputLog(), (Reports{ReadRequestReport(34), ReadRequestReport(41), ReadRequestReport(38)}));
  EXPECT_EQ(pauses, (std::vector<PauseMark>{{20, 1}, {20, 2}}));
}

TEST_F(Commands, StatusWatchRepeatsUntilInterrupted) {
  sim::SimulatedUnit& unit = PlugUnit();
  // Interrupted once the third round is asked, whose answers are in at
  // once; Ctrl-C is the watch's normal end.
  interrupted = [&unit] { return unit.Model().OutputReportCount() >= 9; };
  const CliRun run = Run({"status", "--watch"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(unit.Model().OutputReportCount(), 9u);
  const std::string round = "wifi = disconnected\nmaster = disconnected\nfilter_run_time = 0d 00:00:00\n"
                            "filter_run_seconds = 0\n";
  EXPECT_EQ(run.out, round + "\n" + round + "\n" + round);
}

TEST_F(Commands, StatusOfAUnitThatDoesNotAnswerIsExitStatusTwo) {
  answerLimit = std::chrono::milliseconds(50);
  AnswerOnly(PlugUnit(), 1);
  const CliRun run = Run({"status"});
  EXPECT_EQ(run.code, cli::kExitUnit);
  EXPECT_NE(run.err.find("no answer to the request for the master state, the filter run time within 0.05 s"),
            std::string::npos)
      << run.err;
}

TEST_F(Commands, ScanPrintsEachNetworkOnceAndClosesTheScan) {
  sim::SimulatedUnit& unit = PlugUnit();
  unit.Model().SetVisibleNetworks({{3, "Home", -50, "aa:bb:cc:00:00:01", 6},
                                   {0, "", -80, "aa:bb:cc:00:00:02", 1},
                                   {4, "Home", -70, "aa:bb:cc:00:00:03", 6},
                                   {3, "Caf\xE9", -60, "aa:bb:cc:00:00:04", 11}});
  const CliRun run = Run({"scan"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "Home\nCaf\xC3\xA9\n");
  const Reports commands = Concat({Frames(4, Byte(1)), Frames(1, u"AT+CWQAP\r\n"), Frames(1, u"AT+CWMODE_DEF=1\r\n"),
                                   Frames(1, u"AT+CWLAP\r\n")});
  const Reports closing = Concat({Frames(4, Byte(0)), Frames(3, Byte(0)), Frames(3, Byte(1))});
  EXPECT_EQ(unit.Model().OutputLog(), Concat({commands, closing}));
  EXPECT_EQ(pauses, (std::vector<PauseMark>{{100, 2}, {100, 3}, {200, 6}}));
}

TEST_F(Commands, AScannedNameGoesBackByteForByteAndNothingSteersTheTerminal) {
  sim::SimulatedUnit& unit = PlugUnit("Pendra DUO", "PD\x1b]0;x\a42");
  // A router's UTF-8 name: the module hands over its bytes C3 A9.
  unit.Model().SetVisibleNetworks({{3, "Caf\xC3\xA9", -50, "aa:bb:cc:00:00:01", 6},
                                   {3, "Evil\x1b[2J", -60, "aa:bb:cc:00:00:02", 6}});
  const CliRun scan = Run({"scan"});
  ASSERT_EQ(scan.code, cli::kExitOk) << scan.err;
  // Each byte one character, as the window shows it.
  EXPECT_EQ(scan.out, "Caf\xC3\x83\xC2\xA9\nEvil\\x1B[2J\n");
  EXPECT_EQ(Run({"list"}).out.find('\x1b'), std::string::npos);

  const std::string name = scan.out.substr(0, scan.out.find('\n'));
  const std::string file = "[wifi]\nrole = master\nrouter = yes\nname = \"" + name +
                           "\"\npassword = \"12345678\"\nsecurity = WPA2_PSK\nchannel = 6\nslave_number = 1\n"
                           "slave_address_mode = dhcp\nslave_address = 192.168.4.2\nmaster_address = 192.168.1.2\n"
                           "gateway = 192.168.1.1\n";
  const CliRun write = Run({"write", "-"}, file);
  ASSERT_EQ(write.code, cli::kExitOk) << write.err;
  EXPECT_EQ(unit.Model().StoredValue(Param_Wi_Fi_name), (Report{'C', 'a', 'f', 0xC3, 0xA9}));
}

TEST_F(Commands, AScanWithoutAnswerGivesUpAndRestartsTheModule) {
  scanLimit = std::chrono::milliseconds(50);
  sim::SimulatedUnit& unit = PlugUnit();
  unit.Model().SetVisibleNetworks({});
  const CliRun run = Run({"scan"});
  EXPECT_EQ(run.code, cli::kExitUnit);
  EXPECT_NE(run.err.find("no answer to the network scan (asked 1 times) within 0.05 s"), std::string::npos)
      << run.err;
  const auto log = unit.Model().OutputLog();
  ASSERT_EQ(log.size(), 7u);
  EXPECT_EQ(Reports(log.end() - 3, log.end()), Concat({Frames(4, Byte(0)), Frames(3, Byte(0)), Frames(3, Byte(1))}));
  EXPECT_EQ(unit.Model().WiFiModuleSwitch(), 1);
}

TEST_F(Commands, RestoreDefaultsRestoresThenPrintsTheReadBack) {
  sim::SimulatedUnit& unit = PlugUnit();
  unit.Model().SetText(Param_Wi_Fi_name, "Changed");
  const CliRun run = Run({"restore-defaults", "--yes"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  const auto log = unit.Model().OutputLog();
  ASSERT_EQ(log.size(), 2u + 22u);
  EXPECT_EQ(Reports(log.begin(), log.begin() + 3),
            Concat({Frames(13, Byte(1)), Frames(39, Byte(0)), {ReadRequestReport(Param_Device_mode)}}));
  EXPECT_EQ(pauses.front(), (PauseMark{200, 2}));
  EXPECT_NE(run.out.find("name = \"Kirrowind_Pendra\"\n"), std::string::npos) << run.out;
}

TEST(DemoCommands, TheDemoUnitIsReadAndAnswersItsStatus) {
  const cli::UnitEnvironment env = cli::DemoEnvironment();
  std::istringstream in;
  std::ostringstream out, err;
  ASSERT_EQ(cli::ReadCommand(env, {}, {in, out, err}), cli::kExitOk) << err.str();
  EXPECT_EQ(out.str().substr(0, 27), "; Pendra DUO PD2407311, rea");
  EXPECT_NE(out.str().find("name = \"Birchwood-Home\"\n"), std::string::npos) << out.str();
  std::ostringstream status;
  ASSERT_EQ(cli::StatusCommand(env, {}, {in, status, err}), cli::kExitOk) << err.str();
  EXPECT_EQ(status.str().substr(0, 17), "wifi = connected\n");
}

TEST_F(Commands, TheCommandLineIsCheckedBeforeAnyUnitIsTouched) {
  sim::SimulatedUnit& unit = PlugUnit();
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{}, "ombrel-cli: no command given\n"},
      {{"fly"}, "ombrel-cli: unknown command 'fly' (see ombrel-cli --help)\n"},
      {{"wirte", "f.ini"}, "ombrel-cli: unknown command 'wirte' (did you mean write?)\n"},
      {{"stat"}, "ombrel-cli: unknown command 'stat' (did you mean status?)\n"},
      {{"read", "--verbose"}, "ombrel-cli: unknown option '--verbose' (see ombrel-cli --help)\n"},
      {{"read", "--jsno"}, "ombrel-cli: unknown option '--jsno' (did you mean --json?)\n"},
      {{"write"}, "ombrel-cli: write takes one settings file (or - for standard input) (see ombrel-cli help write)\n"},
      {{"write", "a.ini", "b.ini"}, "ombrel-cli: write takes one settings file, not also 'b.ini'"},
      {{"read", "extra"}, "ombrel-cli: read takes no file or other word, not 'extra' (see ombrel-cli help read)\n"},
      {{"reset-filter", "--json"}, "ombrel-cli: --json goes with list, read, diff, status, scan and restore-defaults, not with reset-filter"},
      {{"read", "--watch"}, "ombrel-cli: --watch goes with status, not with read"},
      {{"write", "--yes", "f.ini"}, "ombrel-cli: --yes goes with restore-defaults, not with write"},
      {{"read", "--no-verify"}, "ombrel-cli: --no-verify goes with write and set, not with read"},
      {{"read", "--unit", "0"}, "ombrel-cli: --unit takes a unit number from 1 on, not '0'\n"},
      {{"read", "--unit", "1\x1b[2J"}, "ombrel-cli: --unit takes a unit number from 1 on, not '1\\x1B[2J'\n"},
      {{"read", "--unit"}, "ombrel-cli: --unit takes a unit number\n"},
      {{"read", "--unit", "1", "--unit", "2"}, "ombrel-cli: --unit is given twice: one command talks to one unit\n"},
      {{"read", "--unit=1", "--unit=1"}, "ombrel-cli: --unit is given twice"},
      {{"help", "fly"}, "ombrel-cli: no command 'fly'\n"},
      {{"help", "raed"}, "ombrel-cli: no command 'raed' (did you mean read?)\n"},
      {{"restore-defaults"}, "ombrel-cli: restore-defaults replaces the unit's Wi-Fi and fan settings with the "
                             "factory ones; without a terminal to ask on, give --yes\n"},
  };
  for (const auto& c : cases) {
    const CliRun run = Run(c.args);
    EXPECT_EQ(run.code, cli::kExitBadInput);
    EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
  }
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
}

TEST_F(Commands, HelpDocumentsEveryKeyAndVersionNamesTheProgram) {
  const CliRun help = Run({"--help"});
  EXPECT_EQ(help.code, cli::kExitOk);
  for (const char* key : {"role", "router", "name", "password", "security", "channel", "slave_number",
                          "slave_address_mode", "slave_address", "master_address", "gateway", "off_allowed",
                          "direction", "humidity_sensor", "relay_sensor", "sensor_0_10v", "humidity_threshold",
                          "sensor_0_10v_threshold", "turn_off_delay", "night_mode_timer", "party_mode_timer",
                          "humidity_scenario"}) {
    EXPECT_NE(help.out.find(std::string("    ") + key + " "), std::string::npos) << key;
  }
  EXPECT_EQ(Run({"--version"}).out, "ombrel-cli 1.0.0\n");
}

}  // namespace
}  // namespace ombrel::test
