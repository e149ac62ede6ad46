// ombrel-cli, the program, on the Linux backend: the unit's hidraw node lives
// in a umockdev test bed, the simulated unit answers on the node's other end,
// and the program runs as a child under umockdev's preload.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

#include "sim/unit_model.h"
#include "tests/cli_linux/program_run.h"
#include "tests/hid/wait_until.h"
#include "tests/hid_linux/mock_hidraw.h"
#include "tests/hid_linux/unit_on_node.h"
#include "tests/support/window_sequences.h"

namespace ombrel::test {
namespace {

// The sanitizers of an instrumented build meet umockdev's libraries in the
// child as in the tests (see tests/hid_linux/sanitizer_options.cpp).
std::vector<std::string> ChildEnvironment() {
  const auto with = [](const char* name, const std::string& more) {
    const char* now = std::getenv(name);
    return std::string(name) + "=" + (now && *now ? std::string(now) + ":" : "") + more;
  };
  const std::string suppressions = testing::TempDir() + "ombrel-cli-tsan.supp";
  std::ofstream(suppressions) << "called_from_lib:libumockdev-preload.so.0\nrace:libumockdev-preload.so.0\n"
                                 "race:libglib-2.0.so.0\nrace:libgio-2.0.so.0\nrace:libudev.so.1\n";
  return {with("ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0"),
          with("TSAN_OPTIONS", "suppressions=" + suppressions)};
}

class CliOnHidraw : public testing::Test {
 protected:
  void SetUp() override {
    if (!UmockdevPreloadActive()) GTEST_SKIP() << kNoUmockdevPreload;
    bed = std::make_unique<MockBed>();
    ASSERT_TRUE(bed->Add(MockKeyboard()));
  }

  ~CliOnHidraw() override {
    unit.reset();
    bed.reset();
  }

  void PlugUnit() {
    node.Usb->Product = "Pendra DUO";
    ASSERT_TRUE(bed->Add(node));
    unit.emplace(model, bed->DeviceEnd(node));
  }

  ProgramRun Cli(std::vector<std::string> args, const std::string& input = {}, const ProgramHooks& hooks = {}) {
    args.insert(args.begin(), OMBREL_CLI_PROGRAM);
    return RunProgram(args, input, ChildEnvironment(), std::chrono::seconds(30), hooks);
  }

  MockHidInterface node = MockUnit();
  std::unique_ptr<MockBed> bed;
  sim::UnitModel model;
  std::optional<UnitOnNode> unit;
};

TEST_F(CliOnHidraw, ListsTheUnitOnItsNodeAndNotTheKeyboard) {
  PlugUnit();
  const ProgramRun run = Cli({"list"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "1\tPendra DUO\tPD2300017\t/dev/hidraw0\tread-write\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(CliOnHidraw, ReadThenWriteOfItsOutputSendsTheWindowsApplyOfBothPages) {
  model.SetByte(Param_Device_mode, 0);
  model.SetText(Param_Wi_Fi_name, "Home-Net");
  model.SetText(Param_Wi_Fi_password, "secret-42");
  model.SetByte(Param_IP_Slave_mode, 0);
  model.SetByte(Param_Number_Slave, 2);
  model.SetAddress(Param_IP_Slave, {10, 0, 0, 7});
  model.SetAddress(Param_IP_Master, {10, 0, 0, 2});
  model.SetAddress(Param_Gateway, {10, 0, 0, 254});
  model.SetSeconds(Param_Timer_night_mode, 86340);
  PlugUnit();

  const ProgramRun read = Cli({"read"});
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_NE(read.out.find("role = slave\nrouter = yes\nname = \"Home-Net\"\n"), std::string::npos) << read.out;
  EXPECT_NE(read.out.find("night_mode_timer = 23:59\n"), std::string::npos) << read.out;

  model.ClearOutputLog();
  const ProgramRun write = Cli({"write", "-"}, read.out);
  ASSERT_EQ(write.code, 0) << write.err;
  EXPECT_EQ(write.out, "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD2300017); read back, it holds every value sent.\n");
  // The factory's values elsewhere: channel 6, WPA2_PSK, the fan's defaults.
  const WiFiSettings sent{.role = 0,
                          .networkName = u"Home-Net",
                          .password = u"secret-42",
                          .slaveNumber = 2,
                          .slaveAddressMode = 0,
                          .slaveAddress = {10, 0, 0, 7},
                          .masterAddress = {10, 0, 0, 2},
                          .connectionType = 1,
                          .channel = 6,
                          .security = '3',
                          .gateway = {10, 0, 0, 254}};
  const FanValues fan{.turnOffDelay = 600, .nightMode = 86340, .partyMode = 3600};
  const auto expected = Concat({WindowWiFiUpload(sent), WindowFanUpload(fan)});
  // Then the read-back that verified them: read requests only.
  const auto log = model.OutputLog();
  ASSERT_EQ(log.size(), expected.size() + 22);
  EXPECT_EQ(Reports(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
  for (std::size_t i = expected.size(); i < log.size(); ++i) EXPECT_EQ(log[i][1], Param_Read_request);
}

TEST_F(CliOnHidraw, AWriteTheUnitLostIsFoundByTheReadBackWithStatusThree) {
  PlugUnit();
  const ProgramRun read = Cli({"read"});
  ASSERT_EQ(read.code, 0) << read.err;
  std::string file = read.out;
  const auto at = file.find("relay_sensor = on");
  ASSERT_NE(at, std::string::npos) << file;
  file.replace(at, 17, "relay_sensor = off");
  model.DropWrites(Param_External_sensor1);
  const ProgramRun write = Cli({"write", "-"}, file);
  EXPECT_EQ(write.code, 3) << write.err;
  EXPECT_EQ(write.err,
            "ombrel-cli: the unit holds other values than were written (unit 1 (Pendra DUO, PD2300017)):\n"
            "  [fan] relay_sensor: unit on, written off\n");
  EXPECT_EQ(write.out, "");
}

TEST_F(CliOnHidraw, CtrlCDuringAScanPutsTheModuleBackAndEndsWith130) {
  PlugUnit();  // the module lists no network: the scan would ask for ten seconds
  ProgramHooks hooks;
  hooks.poke = [&](pid_t pid) {
    if (model.AtCommands().empty()) return false;
    ::kill(pid, SIGINT);
    return true;
  };
  const ProgramRun run = Cli({"scan"}, {}, hooks);
  EXPECT_EQ(run.code, 130) << run.err;
  EXPECT_EQ(run.err,
            "ombrel-cli: interrupted: the scan was stopped and the Wi-Fi module of unit 1 (Pendra DUO, PD2300017) "
            "restarted\n");
  EXPECT_LT(run.took, std::chrono::seconds(10)) << "the scan did not stop";
  EXPECT_EQ(model.ScanMarker(), 0);
  EXPECT_EQ(model.WiFiModuleSwitch(), 1);
}

TEST_F(CliOnHidraw, SigtermDuringAWriteEndsTheSectionBeingSentAndSendsNoMore) {
  PlugUnit();
  const ProgramRun read = Cli({"read"});
  ASSERT_EQ(read.code, 0) << read.err;
  model.ClearOutputLog();
  ProgramHooks hooks;
  hooks.poke = [&](pid_t pid) {
    if (model.OutputLog().empty()) return false;
    ::kill(pid, SIGTERM);  // inside the Wi-Fi section: its pauses take 350 ms
    return true;
  };
  const ProgramRun write = Cli({"write", "-"}, read.out, hooks);
  EXPECT_EQ(write.code, 130) << write.err;
  EXPECT_EQ(write.err, "ombrel-cli: interrupted: [wifi] written to unit 1 (Pendra DUO, PD2300017); [fan] not sent\n");
  EXPECT_EQ(write.out, "");
  // The whole Wi-Fi section, bracket closed and module restarted, and no
  // more (the unit's end of the node may still be reading the last ones).
  WaitUntil([&] { return model.OutputLog().size() >= 15; }, std::chrono::seconds(5));
  const auto log = model.OutputLog();
  ASSERT_EQ(log.size(), 15u);
  EXPECT_EQ(log.back()[1], Param_Wi_Fi_module_switch);
  EXPECT_FALSE(model.SettingsTransferOpen());
}

TEST_F(CliOnHidraw, WriteAllSendsToBothNodesAtOnceAndVerifiesEach) {
  PlugUnit();
  MockHidInterface secondNode = MockUnit(2, "0003", "1-3");
  secondNode.Usb->Product = "Pendra";
  secondNode.Usb->Serial = "PD2300018";
  secondNode.HidUniq = "PD2300018";
  ASSERT_TRUE(bed->Add(secondNode));
  sim::UnitModel secondModel;
  UnitOnNode second(secondModel, bed->DeviceEnd(secondNode));

  const ProgramRun read = Cli({"read", "--serial", "PD2300017"});
  ASSERT_EQ(read.code, 0) << read.err;
  model.ClearOutputLog();
  const ProgramRun write = Cli({"write", "--all", "-"}, read.out);
  ASSERT_EQ(write.code, 0) << write.err;
  EXPECT_NE(write.out.find("to unit 1 (Pendra DUO, PD2300017); read back, it holds every value sent.\n"),
            std::string::npos)
      << write.out;
  EXPECT_NE(write.out.find("to unit 2 (Pendra, PD2300018); read back, it holds every value sent.\n"), std::string::npos)
      << write.out;
  EXPECT_TRUE(write.out.ends_with("2 units: 2 done, 0 failed\n")) << write.out;
  // Each node got the whole upload and its own read-back, in order.
  const auto first = model.OutputLog();
  const auto other = secondModel.OutputLog();
  ASSERT_EQ(first.size(), 15u + 13u + 22u);
  ASSERT_EQ(other.size(), first.size());
  EXPECT_EQ(Reports(first.begin(), first.begin() + 28), Reports(other.begin(), other.begin() + 28));
  EXPECT_EQ(first[0][1], Param_Settings_transfer);
  EXPECT_EQ(other[27][1], Param_Settings_transfer);
}

TEST_F(CliOnHidraw, ABackupToAFullDiskIsAFailure) {
  PlugUnit();
  ProgramHooks hooks;
  hooks.stdoutPath = "/dev/full";
  const ProgramRun run = Cli({"read"}, {}, hooks);
  EXPECT_EQ(run.code, 4);
  EXPECT_EQ(run.err, "ombrel-cli: cannot write the output: No space left on device\n");
}

TEST_F(CliOnHidraw, RestoreDefaultsFromAScriptNeedsYes) {
  PlugUnit();
  const ProgramRun refused = Cli({"restore-defaults"}, "y\n");
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("give --yes"), std::string::npos) << refused.err;
  EXPECT_TRUE(model.OutputLog().empty());
  const ProgramRun done = Cli({"restore-defaults", "--yes"});
  EXPECT_EQ(done.code, 0) << done.err;
  EXPECT_NE(done.out.find("name = \"Kirrowind_Pendra\""), std::string::npos) << done.out;
}

TEST_F(CliOnHidraw, WithoutAUnitEveryCommandSaysSoWithStatusTwo) {
  const ProgramRun run = Cli({"read"});
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(run.err, "ombrel-cli: no unit found (is it plugged in?)\n");
}

TEST_F(CliOnHidraw, AUnitThatNeverAnswersEndsTheReadWithStatusTwo) {
  ASSERT_TRUE(bed->Add(node));  // listed, but nobody plays the unit
  const ProgramRun run = Cli({"read"});
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find("stopped answering: no answer to the request for parameter 5 (Param_Device_mode) within "
                         "1 s after 0 of 22 settings"),
            std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace ombrel::test
