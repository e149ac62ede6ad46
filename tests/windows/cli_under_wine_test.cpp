// The real ombrel-cli.exe under Wine against the unit played on a named
// pipe: the stand-in HID.dll and SetupApi.dll sit in the Wine prefix's
// system32 under the system's names (the fixture windows_standins), where
// the program loads them from. What it prints and sends is compared with
// the same command run in this process on a simulated unit on the virtual
// bus.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/cli_main.h"
#include "hid/platform/virtual_bus.h"
#include "message_pump.h"
#include "pipe_unit.h"
#include "sim/simulated_unit.h"
#include "test_folders.h"

namespace {

struct CliRun {
  DWORD code = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

using ombrel::test::OwnFolder;

std::wstring TempPath(const std::wstring& name) {
  static int runs = 0;
  return ombrel::test::TempFolder() + L"ombrel-cli-" + std::to_wstring(::GetCurrentProcessId()) +
         L"-" + std::to_wstring(++runs) + name;
}

// The whole of a file the program wrote, without carriage returns.
std::string Slurp(const std::wstring& path) {
  std::string text;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  ::CloseHandle(file);
  ::DeleteFileW(path.c_str());
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// A started ombrel-cli.exe. Its output goes to files: a pipe's end could be
// inherited by a process the system starts meanwhile and never reach its end.
class CliProcess {
 public:
  // `bed`: the program's folder beside this test program.
  explicit CliProcess(const std::wstring& arguments, const std::wstring& bed = L"cli-bed")
      : FOutPath(TempPath(L".out")), FErrPath(TempPath(L".err")) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = ::CreateFileW(FOutPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, 0, nullptr);
    HANDLE err = ::CreateFileW(FErrPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    // The stand-ins in system32 are taken before Wine's own libraries
    // because CTest starts this test with WINEDLLOVERRIDES=hid,setupapi=n
    // (Wine reads it from the environment the process started with).
    const std::wstring folder = OwnFolder() + bed + L"\\";
    std::wstring command = L"\"" + folder + L"ombrel-cli.exe\" " + arguments;
    FStarted = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                folder.c_str(), &startup, &FProcess);
    ::CloseHandle(out);
    ::CloseHandle(err);
  }
  ~CliProcess() {
    if (FStarted && ::WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(FProcess.hProcess, 99);
      ::WaitForSingleObject(FProcess.hProcess, 10000);
    }
    if (FStarted) {
      ::CloseHandle(FProcess.hProcess);
      ::CloseHandle(FProcess.hThread);
    }
    ::DeleteFileW(FOutPath.c_str());
    ::DeleteFileW(FErrPath.c_str());
  }
  bool Started() const { return FStarted; }
  // Waits for the end (a safety limit, never a pace) and returns the run.
  CliRun Finish(DWORD limitMs = 90000) {
    CliRun run;
    if (!FStarted) return run;
    if (::WaitForSingleObject(FProcess.hProcess, limitMs) == WAIT_TIMEOUT) {
      ::TerminateProcess(FProcess.hProcess, 99);
      ::WaitForSingleObject(FProcess.hProcess, 10000);
    }
    ::GetExitCodeProcess(FProcess.hProcess, &run.code);
    run.out = Slurp(FOutPath);
    run.err = Slurp(FErrPath);
    return run;
  }

 private:
  const std::wstring FOutPath, FErrPath;
  PROCESS_INFORMATION FProcess{};
  BOOL FStarted = FALSE;
};

CliRun RunCli(const std::wstring& arguments) { return CliProcess(arguments).Finish(); }

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The same command in this process, on a simulated unit with the same
// settings on the virtual bus, with the pauses not waited through.
struct InProcess {
  int code = -1;
  std::string out, err;
  std::vector<ombrel::sim::Report> sent;
};

InProcess RunInProcess(std::vector<std::string> args, const ombrel::sim::UnitModelConfig& config) {
  auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  ombrel::sim::SimulatedUnit unit(*bus, config);
  std::istringstream in;
  std::ostringstream out, err;
  InProcess run;
  run.code = ombrel::cli::RunCli(args, in, out, err, [&](const ombrel::cli::DemoOptions&) {
    ombrel::cli::UnitEnvironment env;
    env.platform = bus;
    env.pause = [](unsigned) {};
    return env;
  });
  run.out = out.str();
  run.err = err.str();
  run.sent = unit.Model().OutputLog();
  return run;
}

std::string TempFile(const std::string& name, const std::string& text) {
  char folder[MAX_PATH];
  const DWORD n = ::GetTempPathA(MAX_PATH, folder);
  const std::string path =
      std::string(folder, n) + name + "-" + std::to_string(::GetCurrentProcessId()) + ".ini";
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

class CliUnderWineTest : public ::testing::Test {
 protected:
  CliUnderWineTest() {
    Config.productName = "Pendra DUO";
    Config.serialNumber = "PD2300017";
    Unit = std::make_unique<ombrel::test::PipeUnit>(Config);
  }
  void SetUp() override { Unit->Plug(); }

  ombrel::sim::UnitModelConfig Config;
  std::unique_ptr<ombrel::test::PipeUnit> Unit;
};

TEST_F(CliUnderWineTest, ListNamesTheUnit) {
  const CliRun run = RunCli(L"list");
  EXPECT_EQ(run.code, 0u) << run.err;
  EXPECT_NE(run.out.find("Pendra DUO"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("PD2300017"), std::string::npos) << run.out;
  std::string path;
  for (wchar_t c : Unit->DevicePath()) path.push_back(static_cast<char>(c));
  EXPECT_NE(run.out.find(path), std::string::npos) << run.out;
}

TEST_F(CliUnderWineTest, ReadWalksTheParametersWithTheUnitsAnswers) {
  const CliRun run = RunCli(L"read");
  ASSERT_EQ(run.code, 0u) << run.err;
  const InProcess expected = RunInProcess({"read"}, Config);
  ASSERT_EQ(expected.code, 0) << expected.err;
  EXPECT_EQ(run.out, expected.out);
  // One request per parameter of the walk, each asked once.
  std::vector<std::uint8_t> asked;
  for (const auto& report : Unit->Model().OutputLog())
    if (report.size() > 3 && report[1] == 16) asked.push_back(report[3]);
  std::vector<std::uint8_t> unique = asked;
  std::sort(unique.begin(), unique.end());
  unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
  EXPECT_EQ(unique.size(), 22u);
  EXPECT_EQ(Unit->Model().OutputLog(), expected.sent);
}

TEST_F(CliUnderWineTest, WritingWhatReadPrintedSendsTheWiFiAndFanBytesOfTheWindow) {
  const CliRun read = RunCli(L"read");
  ASSERT_EQ(read.code, 0u) << read.err;
  const std::string file = TempFile("ombrel-settings", read.out);
  Unit->Model().ClearOutputLog();
  const CliRun write = RunCli(L"write \"" + Wide(file) + L"\"");
  EXPECT_EQ(write.code, 0u) << write.err;
  const InProcess expected = RunInProcess({"write", file}, Config);
  ASSERT_EQ(expected.code, 0) << expected.err;
  EXPECT_EQ(write.out, expected.out);
  ASSERT_FALSE(expected.sent.empty());
  EXPECT_EQ(Unit->Model().OutputLog(), expected.sent) << "byte for byte, in order";
  ::DeleteFileA(file.c_str());
}

// The file read printed with one line changed.
std::string Edited(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(CliUnderWineTest, AWriteTheUnitLostIsFoundByTheReadBackWithStatusThree) {
  const CliRun read = RunCli(L"read");
  ASSERT_EQ(read.code, 0u) << read.err;
  const std::string file = TempFile("ombrel-lost", Edited(read.out, "relay_sensor = on", "relay_sensor = off"));
  Unit->Model().DropWrites(Param_External_sensor1);
  const CliRun write = RunCli(L"write \"" + Wide(file) + L"\"");
  EXPECT_EQ(write.code, 3u) << write.err;
  EXPECT_EQ(write.err,
            "ombrel-cli: the unit holds other values than were written (unit 1 (Pendra DUO, PD2300017)):\n"
            "  [fan] relay_sensor: unit on, written off\n");
  // Once the line is sound again, the same file writes and verifies.
  const CliRun again = RunCli(L"write \"" + Wide(file) + L"\"");
  EXPECT_EQ(again.code, 0u) << again.err;
  EXPECT_EQ(again.out, "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD2300017); read back, it holds every value sent.\n");
  ::DeleteFileA(file.c_str());
}

TEST_F(CliUnderWineTest, DiffCheckHelpAndRestoreWithoutATerminal) {
  const CliRun read = RunCli(L"read");
  ASSERT_EQ(read.code, 0u) << read.err;
  const std::string same = TempFile("ombrel-same", read.out);
  const std::string other = TempFile("ombrel-other", Edited(read.out, "humidity_threshold = 70", "humidity_threshold = 45"));
  const CliRun unchanged = RunCli(L"diff \"" + Wide(same) + L"\"");
  EXPECT_EQ(unchanged.code, 0u) << unchanged.err;
  EXPECT_EQ(unchanged.out, "");
  const CliRun differs = RunCli(L"diff \"" + Wide(other) + L"\"");
  EXPECT_EQ(differs.code, 1u) << differs.err << other;
  EXPECT_EQ(differs.out, "[fan] humidity_threshold: unit 70, file 45\n");
  const CliRun checked = RunCli(L"check \"" + Wide(other) + L"\"");
  EXPECT_EQ(checked.code, 0u) << checked.err;
  EXPECT_EQ(checked.out, other + ": [wifi] and [fan] can be written.\n");

  const CliRun help = RunCli(L"help diff");
  EXPECT_EQ(help.code, 0u);
  EXPECT_EQ(help.out.rfind("Usage: ombrel-cli [--demo] diff ", 0), 0u) << help.out;
  EXPECT_EQ(help.out, RunInProcess({"help", "diff"}, Config).out) << "the whole text, as printed on Linux";
  const CliRun typo = RunCli(L"wirte x.ini");
  EXPECT_EQ(typo.code, 1u);
  EXPECT_EQ(typo.err, "ombrel-cli: unknown command 'wirte' (did you mean write?)\n");

  // No console to ask on: the unit is left alone.
  Unit->Model().ClearOutputLog();
  const CliRun restore = RunCli(L"restore-defaults");
  EXPECT_EQ(restore.code, 1u) << restore.err;
  EXPECT_NE(restore.err.find("give --yes"), std::string::npos) << restore.err;
  EXPECT_TRUE(Unit->Model().OutputLog().empty());
  ::DeleteFileA(same.c_str());
  ::DeleteFileA(other.c_str());
}

TEST_F(CliUnderWineTest, UnpluggedWhileWaitingTheCommandSaysSoAndEndsWithTwoAndWorksWhenPluggedAgain) {
  CliProcess watch(L"status --watch");
  ASSERT_TRUE(watch.Started());
  // Once the unit has heard the first poll, the program's reader waits.
  const ULONGLONG deadline = ::GetTickCount64() + 60000;
  while (Unit->Model().OutputReportCount() == 0 && ::GetTickCount64() < deadline) ::Sleep(20);
  ASSERT_GT(Unit->Model().OutputReportCount(), 0u);
  Unit->Unplug();
  ombrel::test::BroadcastDeviceChange();
  const CliRun run = watch.Finish();
  EXPECT_EQ(run.code, 2u) << run.out << run.err;
  EXPECT_NE(run.err.find("unplugged"), std::string::npos) << run.err;

  Unit->Plug();
  const CliRun again = RunCli(L"read");
  EXPECT_EQ(again.code, 0u) << again.err;
  EXPECT_EQ(again.out, RunInProcess({"read"}, Config).out);
}

TEST_F(CliUnderWineTest, DecoysOfTheHidLibrariesBesideTheProgramAreNotLoaded) {
  // hid.dll and setupapi.dll in the program's folder (a downloads folder)
  // that note every load; WINEDLLOVERRIDES lets Wine take native files
  // wherever it finds them, as Windows does.
  const std::wstring note = TempPath(L".decoy");
  ::SetEnvironmentVariableW(L"OMBREL_DECOY_NOTE", note.c_str());
  const CliRun run = CliProcess(L"list", L"decoy-bed").Finish();
  ::SetEnvironmentVariableW(L"OMBREL_DECOY_NOTE", nullptr);
  EXPECT_EQ(Slurp(note), "") << "loaded from the program's folder";
  EXPECT_EQ(run.code, 0u) << run.err;
  EXPECT_NE(run.out.find("Pendra DUO"), std::string::npos)
      << "listed through the libraries in system32: " << run.out;
}

// Two units plugged at once, listed through one record: the fixture's
// Pendra DUO first, then a Pendra with a serial of its own, each on its own
// pipe.
class TwoUnitsUnderWineTest : public CliUnderWineTest {
 protected:
  TwoUnitsUnderWineTest() {
    SecondConfig.productName = "Pendra";
    SecondConfig.serialNumber = "PD2300018";
    Second = std::make_unique<ombrel::test::PipeUnit>(Unit->Record(), SecondConfig);
  }
  void SetUp() override {
    CliUnderWineTest::SetUp();
    Second->Plug();
  }

  ombrel::sim::UnitModelConfig SecondConfig;
  std::unique_ptr<ombrel::test::PipeUnit> Second;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

const char kWroteFirst[] =
    "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD2300017); read back, it holds every value sent.\n";
const char kWroteSecond[] =
    "Wrote [wifi] and [fan] to unit 2 (Pendra, PD2300018); read back, it holds every value sent.\n";

TEST_F(TwoUnitsUnderWineTest, ListNamesEachUnitWithItsOwnModelSerialAndPath) {
  ASSERT_NE(Unit->DevicePath(), Second->DevicePath());
  const CliRun run = RunCli(L"list");
  EXPECT_EQ(run.code, 0u) << run.err;
  // Each handle tells its own unit's strings: the same serial twice would
  // be one unit listed twice.
  EXPECT_EQ(run.out, "1\tPendra DUO\tPD2300017\t" + Narrow(Unit->DevicePath()) + "\tread-write\n" +
                         "2\tPendra\tPD2300018\t" + Narrow(Second->DevicePath()) + "\tread-write\n");
}

TEST_F(TwoUnitsUnderWineTest, WriteAllSendsTheWholeUploadToEachUnitAndVerifiesEachOnItsOwn) {
  const CliRun read = RunCli(L"read --serial PD2300017");
  ASSERT_EQ(read.code, 0u) << read.err;
  const std::string file = TempFile("ombrel-all", read.out);
  Unit->Model().ClearOutputLog();
  Second->Model().ClearOutputLog();
  const CliRun write = RunCli(L"write --all \"" + Wide(file) + L"\"");
  EXPECT_EQ(write.code, 0u) << write.out << write.err;
  EXPECT_EQ(write.out, std::string(kWroteFirst) + kWroteSecond + "2 units: 2 done, 0 failed\n");

  // The upload as a write to one unit sends it, byte for byte, on each
  // unit's own pipe; then each unit's own read-back, one request per
  // parameter.
  const InProcess one = RunInProcess({"write", file}, Config);
  ASSERT_EQ(one.code, 0) << one.err;
  ASSERT_GE(one.sent.size(), 28u);
  const std::vector<ombrel::sim::Report> upload(one.sent.begin(), one.sent.begin() + 28);
  for (ombrel::test::PipeUnit* unit : {Unit.get(), Second.get()}) {
    const auto sent = unit->Model().OutputLog();
    ASSERT_EQ(sent.size(), 28u + 22u) << Narrow(unit->DevicePath());
    EXPECT_EQ(std::vector<ombrel::sim::Report>(sent.begin(), sent.begin() + 28), upload)
        << Narrow(unit->DevicePath());
    std::vector<std::uint8_t> asked;
    for (auto it = sent.begin() + 28; it != sent.end(); ++it) {
      EXPECT_EQ((*it)[1], 16) << "a read request";
      asked.push_back((*it)[3]);
    }
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(std::unique(asked.begin(), asked.end()), asked.end()) << "each parameter asked once";
  }
  ::DeleteFileA(file.c_str());
}

TEST_F(TwoUnitsUnderWineTest, AWriteOneUnitLostFailsThatUnitAloneWithStatusThree) {
  const CliRun read = RunCli(L"read --serial PD2300017");
  ASSERT_EQ(read.code, 0u) << read.err;
  const std::string file =
      TempFile("ombrel-all-lost", Edited(read.out, "relay_sensor = on", "relay_sensor = off"));
  Second->Model().DropWrites(Param_External_sensor1);
  const CliRun write = RunCli(L"write --all \"" + Wide(file) + L"\"");
  EXPECT_EQ(write.code, 3u) << write.out << write.err;
  EXPECT_NE(write.out.find(kWroteFirst), std::string::npos) << write.out;
  EXPECT_EQ(write.out.find("to unit 2"), std::string::npos) << write.out;
  EXPECT_NE(write.out.find("unit 2 (Pendra, PD2300018): failed (exit status 3)\n"), std::string::npos)
      << write.out;
  EXPECT_NE(write.out.find("[fan] relay_sensor: unit on, written off"), std::string::npos) << write.out;
  EXPECT_TRUE(write.out.ends_with("2 units: 1 done, 1 failed\n")) << write.out;

  // Once the line is sound again, the same file writes and verifies on both.
  const CliRun again = RunCli(L"write --all \"" + Wide(file) + L"\"");
  EXPECT_EQ(again.code, 0u) << again.out << again.err;
  EXPECT_EQ(again.out, std::string(kWroteFirst) + kWroteSecond + "2 units: 2 done, 0 failed\n");
  ::DeleteFileA(file.c_str());
}

TEST(CliDemoUnderWineTest, DemoReadAndAWriteOfItsOutput) {
  const CliRun read = RunCli(L"--demo read");
  ASSERT_EQ(read.code, 0u) << read.err;
  EXPECT_NE(read.out.find("[wifi]"), std::string::npos) << read.out;
  EXPECT_NE(read.out.find("[fan]"), std::string::npos) << read.out;
  const std::string file = TempFile("ombrel-demo-settings", read.out);
  const CliRun write = RunCli(L"--demo write \"" + Wide(file) + L"\"");
  EXPECT_EQ(write.code, 0u) << write.out << write.err;
  ::DeleteFileA(file.c_str());
}

}  // namespace
