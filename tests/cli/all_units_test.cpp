// --all: one command on every unit at once. Each unit gets what it would get
// alone; one unit's trouble does not stop the others, and the exit status
// is the worst of the units'.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "protocol/parameter_ids.h"
#include "protocol/read_back_walk.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/round_trip_cases.h"
#include "tests/support/window_sequences.h"

namespace ombrel::test {
namespace {

using nlohmann::json;

class AllUnits : public CliFixture {
 protected:
  // Three units with the home settings; what read prints for the first.
  std::string PlugThree() {
    for (const char* serial : {"PD1", "PD2", "PD3"}) Store(PlugUnit("Pendra DUO", serial).Model(), {kHome, {}});
    const CliRun read = Run({"read", "--unit", "1"});
    EXPECT_EQ(read.code, cli::kExitOk) << read.err;
    for (auto& unit : units) unit->Model().ClearOutputLog();
    return read.out;
  }
};

TEST_F(AllUnits, WriteGivesEveryUnitTheWindowsBytesAndSaysSoPerUnit) {
  const std::string file = PlugThree();
  const CliRun run = Run({"write", "--all", "-"}, file);
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out,
            "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD1); read back, it holds every value sent.\n"
            "Wrote [wifi] and [fan] to unit 2 (Pendra DUO, PD2); read back, it holds every value sent.\n"
            "Wrote [wifi] and [fan] to unit 3 (Pendra DUO, PD3); read back, it holds every value sent.\n"
            "3 units: 3 done, 0 failed\n");
  // Each unit, whatever the others did meanwhile, got the uploads in the
  // window's order and then its own read-back.
  const auto uploads = Concat({WindowWiFiUpload(kHome), WindowFanUpload({})});
  for (auto& unit : units) {
    const auto log = unit->Model().OutputLog();
    ASSERT_EQ(log.size(), uploads.size() + kReadBackLength);
    EXPECT_EQ(Reports(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(uploads.size())), uploads);
  }
  // The three units' pauses, not fewer: none was skipped or shared.
  EXPECT_EQ(std::count_if(pauses.begin(), pauses.end(), [](const PauseMark& p) { return p.milliseconds == 250; }), 3);
}

TEST_F(AllUnits, AUnitInTroubleDoesNotStopTheOthersAndTheWorstStatusIsTheCommands) {
  const std::string file = PlugThree();
  PlugLockedUnit(u"PL9");
  answerLimit = std::chrono::milliseconds(500);  // room for the others on a loaded machine
  AnswerOnly(*units[1], 5);  // unit 2 stops answering in its read-back
  const CliRun run = Run({"write", "--all", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitUnit) << run.out << run.err;
  EXPECT_NE(run.out.find("Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD1); read back"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("unit 2 (Pendra DUO, PD2): failed (exit status 2)\n  unit 2 (Pendra DUO, PD2) stopped answering"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Wrote [wifi] and [fan] to unit 3 (Pendra DUO, PD3); read back"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("unit 4 (Pendra, PL9): failed (exit status 2)\n  unit 4 (Pendra, "), std::string::npos)
      << run.out;
  EXPECT_TRUE(run.out.ends_with("4 units: 2 done, 2 failed\n")) << run.out;
}

TEST_F(AllUnits, ALostWriteOnOneUnitMakesTheStatusThree) {
  const std::string file = PlugThree();
  units[2]->Model().DropWrites(Param_Wi_Fi_password);
  std::string changed = file;
  changed.replace(changed.find("mossy-fern-42"), 13, "other-secret7");
  const CliRun run = Run({"write", "--all", "-"}, changed);
  EXPECT_EQ(run.code, cli::kExitMismatch) << run.out;
  EXPECT_NE(run.out.find("unit 3 (Pendra DUO, PD3): failed (exit status 3)\n  the unit holds other values than were "
                         "written (unit 3 (Pendra DUO, PD3)):\n    [wifi] password: differs"),
            std::string::npos)
      << run.out;
}

TEST_F(AllUnits, ReadIsOneDocumentKeyedBySerialOrAFilePerUnit) {
  PlugThree();
  const CliRun doc = Run({"read", "--all"});
  ASSERT_EQ(doc.code, cli::kExitOk) << doc.err;
  const json all = json::parse(doc.out);
  ASSERT_EQ(all.size(), 3u);
  for (const char* serial : {"PD1", "PD2", "PD3"}) EXPECT_EQ(all[serial]["wifi"]["name"], "Birchwood-Home") << serial;
  EXPECT_EQ(doc.err, "unit 1 (Pendra DUO, PD1): read\nunit 2 (Pendra DUO, PD2): read\nunit 3 (Pendra DUO, PD3): read\n"
                     "3 units: 3 done, 0 failed\n");

  const std::string dir = testing::TempDir() + "ombrel-read-all-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed());
  std::filesystem::remove_all(dir);
  const CliRun files = Run({"read", "--all", "--output-dir", dir});
  ASSERT_EQ(files.code, cli::kExitOk) << files.err;
  for (const char* serial : {"PD1", "PD2", "PD3"}) {
    const std::string path = (std::filesystem::path(dir) / (std::string(serial) + ".ini")).string();
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find(std::string("; Pendra DUO ") + serial), std::string::npos) << path;
    EXPECT_EQ(Run({"check", path}).code, cli::kExitOk) << path;
    EXPECT_NE(files.out.find(path), std::string::npos) << files.out;
  }
  std::filesystem::remove_all(dir);
}

TEST_F(AllUnits, DiffTellsWhichUnitsDifferAndJsonGivesEachUnitsResult) {
  const std::string file = PlugThree();
  units[1]->Model().SetByte(Param_Wi_Fi_channel, 11);
  const CliRun run = Run({"diff", "--all", "-"}, file);
  EXPECT_EQ(run.code, 1) << run.err;
  EXPECT_EQ(run.out,
            "unit 1 (Pendra DUO, PD1): holds the file's settings\n"
            "unit 2 (Pendra DUO, PD2): differs\n  [wifi] channel: unit 11, file 6\n"
            "unit 3 (Pendra DUO, PD3): holds the file's settings\n"
            "3 units: 2 the same, 1 differ, 0 failed\n");

  const CliRun reset = Run({"reset-filter", "--all", "--json"});
  ASSERT_EQ(reset.code, cli::kExitOk) << reset.err;
  const json results = json::parse(reset.out);
  EXPECT_EQ(results["status"], 0);
  ASSERT_EQ(results["units"].size(), 3u);
  EXPECT_EQ(results["units"][1]["serial"], "PD2");
  EXPECT_EQ(results["units"][1]["status"], 0);
  EXPECT_EQ(results["units"][1]["output"][0], "The filter timer of unit 2 (Pendra DUO, PD2) starts again from zero.");
}

TEST_F(AllUnits, WhatCannotGoWithAllIsRefusedBeforeAnyUnitIsTouched) {
  PlugThree();
  for (const auto& args : std::vector<std::vector<std::string>>{{"read", "--all", "--unit", "1"},
                                                                 {"read", "--all", "--serial", "PD1"},
                                                                 {"status", "--all", "--watch"},
                                                                 {"restore-defaults", "--all"},
                                                                 {"read", "--output-dir", "x"},
                                                                 {"scan", "--all"}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, cli::kExitBadInput) << args.back();
    EXPECT_NE(run.err, "") << args.back();
  }
  for (auto& unit : units) EXPECT_EQ(unit->Model().OutputReportCount(), 0u);
  // A bad file is told once, and no unit is written.
  const CliRun bad = Run({"write", "--all", "-"}, "[fan]\noff_allowed = maybe\n");
  EXPECT_EQ(bad.code, cli::kExitBadInput);
  EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 3) << bad.err;
  for (auto& unit : units) EXPECT_EQ(unit->Model().OutputReportCount(), 0u);
}

class Log : public AllUnits {
 protected:
  std::string LogPath() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = testing::TempDir() + "ombrel-log-" + test->name() + ".jsonl";
    std::filesystem::remove(path);
    return path;
  }
  static std::vector<json> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<json> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
    return lines;
  }
};

TEST_F(Log, EachUnitWrittenToIsALineWithItsKeysButNeverThePassword) {
  const std::string file = PlugThree();
  const std::string log = LogPath();
  std::ofstream(log) << "{\"earlier\": true}\n";  // what is there stays
  ASSERT_EQ(Run({"write", "--all", "--log", log, "-"}, file).code, cli::kExitOk);
  const auto lines = Lines(log);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["earlier"], true);
  std::vector<std::string> serials;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const json& line = lines[i];
    serials.push_back(line["serial"]);
    EXPECT_EQ(line["command"], "write");
    EXPECT_EQ(line["model"], "Pendra DUO");
    EXPECT_EQ(line["verification"], "passed");
    EXPECT_EQ(line["status"], 0);
    EXPECT_EQ(line["keys"]["wifi.name"], "Birchwood-Home");
    EXPECT_EQ(line["keys"]["wifi.password"], "(set)");
    EXPECT_EQ(line["keys"]["fan.humidity_threshold"], "70");
    EXPECT_TRUE(line["time"].get<std::string>().ends_with("Z"));
    EXPECT_EQ(line["time"].get<std::string>().size(), 20u);
  }
  std::sort(serials.begin(), serials.end());
  EXPECT_EQ(serials, (std::vector<std::string>{"PD1", "PD2", "PD3"}));
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text.find("mossy-fern-42"), std::string::npos);
}

TEST_F(Log, AnInterruptedRunKeepsWhatWasWrittenAndLogsIt) {
  const std::string file = PlugThree();
  const std::string log = LogPath();
  // Stopped once the first unit's Wi-Fi section is under way: each unit
  // ends the section it is in and is logged with what became of it.
  interrupted = [this] { return units[0]->Model().OutputReportCount() >= 3; };
  const CliRun run = Run({"write", "--all", "--log", log, "-"}, file);
  EXPECT_EQ(run.code, cli::kExitInterrupted) << run.out;
  const auto lines = Lines(log);
  EXPECT_GE(lines.size(), 1u);
  for (const json& line : lines) {
    // Only what went out: a unit stopped in its Wi-Fi section ends that
    // section and sends no fan settings; one further on sent both and was
    // stopped before its read-back was done; one may have been done before.
    EXPECT_EQ(line["keys"]["wifi.password"], "(set)");
    if (line["status"] == 0) {
      EXPECT_EQ(line["verification"], "passed") << line;
    } else {
      EXPECT_EQ(line["status"], 130) << line;
      if (line["keys"].contains("fan.off_allowed")) {
        EXPECT_EQ(line["verification"], "not done") << line;
      }
    }
  }
  // A unit nothing went to is not in the log.
  std::size_t reached = 0;
  for (auto& unit : units) reached += unit->Model().OutputReportCount() > 0 ? 1 : 0;
  EXPECT_EQ(lines.size(), reached);
}

TEST_F(Log, ALogThatCannotBeKeptStopsTheCommandBeforeAnyUnit) {
  const std::string file = PlugThree();
  const CliRun run = Run({"write", "--all", "--log", testing::TempDir(), "-"}, file);
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_NE(run.err.find("cannot open the log"), std::string::npos) << run.err;
  for (auto& unit : units) EXPECT_EQ(unit->Model().OutputReportCount(), 0u);
}

}  // namespace
}  // namespace ombrel::test
