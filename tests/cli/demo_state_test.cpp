// `ombrel-cli --demo` keeps its simulated units from one run to the next:
// what one run writes the next one reads, --reset starts again from the
// demo's own units, --units plugs in more, and a state file that is damaged
// or cannot be written never costs a command its result.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "cli/demo_environment.h"
#include "cli/exit_codes.h"
#include "tests/cli/cli_fixture.h"

namespace ombrel::test {
namespace {

using namespace std::string_literals;

class DemoState : public testing::Test {
 protected:
  void SetUp() override {
    statePath = OwnPath("state");
    std::filesystem::remove(statePath);
  }

  // A path of this test's own in the temporary directory.
  static std::string OwnPath(const std::string& name) {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string own = std::string("DemoState.") + test->name() + "." + name;
    for (char& c : own) {
      if (c == '/') c = '_';
    }
    return testing::TempDir() + own;
  }

  static std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = OwnPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // One run of the program with --demo's units kept at `statePath`.
  CliRun Run(std::vector<std::string> args, const std::string& input = {}) {
    args.insert(args.begin(), "--demo");
    std::istringstream in(input);
    std::ostringstream out, err;
    CliRun run;
    run.code = cli::RunCli(args, in, out, err, [this](const cli::DemoOptions& demo) {
      cli::DemoOptions kept = demo;
      kept.statePath = statePath;
      cli::UnitEnvironment env = cli::DemoEnvironment(kept);
      env.pause = [](unsigned) {};
      return env;
    });
    run.out = out.str();
    run.err = err.str();
    return run;
  }

  // What `read` prints, checked to have worked.
  std::string Read(std::vector<std::string> args = {}) {
    args.push_back("read");
    const CliRun read = Run(args);
    EXPECT_EQ(read.code, cli::kExitOk) << read.err;
    return read.out;
  }

  static std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "no '" << from << "' in\n" << text;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
  }

  // Writes the read settings with a new network name and humidity threshold.
  void WriteChanged() {
    std::string changed = Replaced(Read(), "name = \"Birchwood-Home\"", "name = \"Attic-Net\"");
    changed = Replaced(changed, "humidity_threshold = 60", "humidity_threshold = 45");
    const CliRun write = Run({"write", WriteFile("changed.ini", changed)});
    ASSERT_EQ(write.code, cli::kExitOk) << write.err;
  }

  std::string statePath;
};

TEST_F(DemoState, WhatOneRunWritesTheNextReadsAndResetForgets) {
  const std::string first = Read();
  ASSERT_NE(first.find("name = \"Birchwood-Home\"\n"), std::string::npos) << first;

  WriteChanged();
  const std::string later = Read();
  EXPECT_NE(later.find("name = \"Attic-Net\"\n"), std::string::npos) << later;
  EXPECT_NE(later.find("humidity_threshold = 45\n"), std::string::npos) << later;
  // Untouched values come back as they were.
  EXPECT_NE(later.find("password = \"mossy-fern-42\"\n"), std::string::npos) << later;

  EXPECT_EQ(Read({"--reset"}), first);
  // The reset is what the next run finds.
  EXPECT_EQ(Read(), first);
}

TEST_F(DemoState, AFilterTimerStartedAgainStaysSo) {
  const CliRun reset = Run({"reset-filter"});
  ASSERT_EQ(reset.code, cli::kExitOk) << reset.err;
  const CliRun status = Run({"status"});
  ASSERT_EQ(status.code, cli::kExitOk) << status.err;
  // A fresh demo unit has run its filter for 41 days.
  EXPECT_NE(status.out.find("filter_run_time = 0d "), std::string::npos) << status.out;
}

TEST_F(DemoState, MoreUnitsHaveSerialsOfTheirOwnAndKeepTheirSettingsWhileUnplugged) {
  const CliRun list = Run({"--units", "3", "list"});
  ASSERT_EQ(list.code, cli::kExitOk) << list.err;
  EXPECT_EQ(list.out,
            "1\tPendra DUO\tPD2407311\tsimulated-unit-1\tread-write\n"
            "2\tPendra\tPD2407312\tsimulated-unit-2\tread-write\n"
            "3\tPendra DUO\tPD2407313\tsimulated-unit-3\tread-write\n");

  const std::string third = Read({"--units", "3", "--serial", "PD2407313"});
  EXPECT_EQ(third.substr(0, 22), "; Pendra DUO PD2407313") << third;
  EXPECT_NE(third.find("name = \"Kirrowind_Pendra\"\n"), std::string::npos) << third;

  // Unit 3 changed, then a run with unit 1 alone: unit 3 is still changed
  // when it is plugged in again, and unit 1 never was.
  const std::string file = WriteFile(
      "third.ini", Replaced(third, "name = \"Kirrowind_Pendra\"", "name = \"Loft\""));
  const CliRun write = Run({"--units", "3", "write", "--serial", "PD2407313", file});
  ASSERT_EQ(write.code, cli::kExitOk) << write.err;
  EXPECT_NE(Read().find("name = \"Birchwood-Home\"\n"), std::string::npos);
  EXPECT_NE(Read({"--units", "3", "--serial", "PD2407313"}).find("name = \"Loft\"\n"), std::string::npos);
  EXPECT_NE(Read({"--units", "3", "--unit", "2"}).find("name = \"Kirrowind_Pendra\"\n"), std::string::npos);
}

// A state of unit 1 with a new network name and, unless empty, one more
// line; then the closing line.
std::string StateWith(const std::string& line, const std::string& header = "ombrel-demo-state 1") {
  std::string text = header + "\nPD2407311 6 41747469632d4e6574\n";  // "Attic-Net"
  if (!line.empty()) text += line + "\n";
  return text + "end\n";
}

TEST_F(DemoState, ADamagedStateFileStartsTheUnitsAfresh) {
  // The undamaged file is taken: the cases below differ only in their damage.
  std::ofstream(statePath, std::ios::binary) << StateWith("PD2407311 29 2d");
  const std::string kept = Read();
  ASSERT_NE(kept.find("name = \"Attic-Net\"\n"), std::string::npos) << kept;
  ASSERT_NE(kept.find("humidity_threshold = 45\n"), std::string::npos) << kept;

  const std::string whole = StateWith("PD2407311 29 2d");
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"garbage", "\x7f" "ELF\x02\x01\x01\0\0\0 PD2407311 6 41\n"s},
      {"cut in a line", whole.substr(0, whole.find(" 2d") + 2)},
      {"cut at a line's end", whole.substr(0, whole.find("end"))},
      {"odd hex digits", StateWith("PD2407311 29 2")},
      {"not hex", StateWith("PD2407311 29 zz")},
      {"a line without its value", StateWith("PD2407311 29")},
      {"unknown version", StateWith("PD2407311 29 2d", "ombrel-demo-state 2")},
      {"byte value of two bytes", StateWith("PD2407311 29 2d2d")},
      {"address of three bytes", StateWith("PD2407311 11 c0a801")},
      {"name longer than any the unit takes", StateWith("PD2407311 7 " + std::string(2 * 256, '4'))},
      {"very long hex", StateWith("PD2407311 7 " + std::string(1 << 21, 'a'))},
      {"unknown parameter", StateWith("PD2407311 99 01")},
      {"parameter that is not a setting", StateWith("PD2407311 34 01")},
      {"parameter id out of range", StateWith("PD2407311 261 01")},
      {"same parameter twice", StateWith("PD2407311 6 41")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(statePath, std::ios::binary | std::ios::trunc) << c.text;
    const std::string read = Read();
    EXPECT_NE(read.find("name = \"Birchwood-Home\"\n"), std::string::npos) << read;
    EXPECT_NE(read.find("humidity_threshold = 60\n"), std::string::npos) << read;
  }
}

TEST_F(DemoState, AStateFileThatCannotBeWrittenLeavesTheCommandsResult) {
  // Its folder would have to be where a file is.
  const std::string blocker = WriteFile("blocker", "a file, not a folder\n");
  statePath = blocker + "/cli-demo.state";
  std::string settings = Replaced(Read(), "humidity_threshold = 60", "humidity_threshold = 45");
  const CliRun write = Run({"write", WriteFile("changed.ini", settings)});
  EXPECT_EQ(write.code, cli::kExitOk) << write.err;
  EXPECT_EQ(write.err, "");
  EXPECT_NE(write.out.find("read back, it holds every value sent"), std::string::npos) << write.out;
  // Nothing was kept, so the next run starts as the first did.
  EXPECT_NE(Read().find("humidity_threshold = 60\n"), std::string::npos);
}

}  // namespace
}  // namespace ombrel::test
