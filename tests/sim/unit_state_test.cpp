// A unit's stored settings and filter run time, kept as text and put back
// into a fresh unit; the file that holds them, replaced in one step.
#include "sim/unit_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "sim/factory_settings.h"
#include "sim/unit_state_file.h"

namespace ombrel::sim {
namespace {

namespace fs = std::filesystem;

// What the unit answers to a read request for `id`: the value's bytes.
Report Answer(UnitModel& unit, ParamID id) {
  Report answer;
  unit.SetAnswerSink([&answer](std::span<const std::uint8_t> report) { answer.assign(report.begin(), report.end()); });
  Report request(kUnitReportLength, 0);
  request[0] = 1;
  request[1] = Param_Read_request;
  request[2] = 1;
  request[3] = id;
  unit.HandleOutputReport(request);
  unit.SetAnswerSink({});
  if (answer.size() < 3) return {};
  return Report(answer.begin() + 3, answer.begin() + 3 + answer[2]);
}

TEST(UnitState, AUnitsSettingsAndFilterTimeComeBackThroughTheText) {
  UnitModel before;
  before.SetText(Param_Wi_Fi_name, "Attic-Net");
  before.SetText(Param_Wi_Fi_password, "");
  before.SetByte(Param_Humidity_sensor_threshold, 45);
  before.SetAddress(Param_Gateway, {10, 0, 0, 1});
  before.SetSeconds(Param_Timer_night_mode, 5 * 3600 + 15 * 60);
  before.SetFilterRunSeconds(123456);
  UnitModel other;
  other.SetByte(Param_Device_mode, 0);

  const std::string text = FormatSavedUnits({{"PD2407311", SaveUnit(before)}, {"PD2407312", SaveUnit(other)}});
  const auto parsed = ParseSavedUnits(text);
  ASSERT_TRUE(parsed) << text;
  ASSERT_EQ(parsed->size(), 2u) << text;

  UnitModel after;
  RestoreUnit(after, parsed->at("PD2407311"));
  EXPECT_EQ(after.StoredSettings(), before.StoredSettings()) << text;
  EXPECT_EQ(after.FilterRunSeconds(), 123456u);
  // The unit answers with what was put back.
  EXPECT_EQ(Answer(after, Param_Wi_Fi_name), (Report{'A', 't', 't', 'i', 'c', '-', 'N', 'e', 't'}));
  EXPECT_EQ(Answer(after, Param_Wi_Fi_password), Report{});
  EXPECT_EQ(Answer(after, Param_Gateway), (Report{10, 0, 0, 1}));

  UnitModel second;
  RestoreUnit(second, parsed->at("PD2407312"));
  EXPECT_EQ(second.StoredSettings(), other.StoredSettings());
  EXPECT_EQ(second.StoredValue(Param_Device_mode), Report{0});
}

TEST(UnitState, TextAsAnEditorMayLeaveItReads) {
  const auto parsed = ParseSavedUnits(
      "ombrel-demo-state 1\r\n"
      "PD9  6\t48694C6f\r\n"
      "PD9 7 -\r\n"
      "end\r\n");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, (SavedUnits{{"PD9", {{Param_Wi_Fi_name, {'H', 'i', 'L', 'o'}}, {Param_Wi_Fi_password, {}}}}}));
  // A state of no units at all is a state.
  EXPECT_EQ(ParseSavedUnits("ombrel-demo-state 1\nend\n"), SavedUnits{});
}

TEST(UnitState, NothingIsWrittenThatWouldNotReadBack) {
  const SavedUnits units{
      {"PD1", {{Param_Humidity_sensor_threshold, {45, 46}}, {Param_Direction, {1}}, {Param_Timer_filter, {0, 0}}}},
      {"has space", {{Param_Direction, {1}}}},
      {"", {{Param_Direction, {1}}}},
  };
  const std::string text = FormatSavedUnits(units);
  EXPECT_EQ(ParseSavedUnits(text), (SavedUnits{{"PD1", {{Param_Direction, {1}}}}})) << text;
}

TEST(UnitState, OnlyStoredSettingsAreLoaded) {
  UnitModel unit;
  unit.LoadStoredSettings({{Param_Humidity_sensor_threshold, {45}},
                           {Param_Wi_Fi_State_connection, {1}},
                           {Param_Restore_default_parameters, {1}}});
  auto expected = FactorySettings();
  expected[Param_Humidity_sensor_threshold] = {45};
  EXPECT_EQ(unit.StoredSettings(), expected);
}

class StateFile : public testing::Test {
 protected:
  void SetUp() override {
    folder = fs::path(testing::TempDir()) /
             (std::string("StateFile.") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  fs::path folder;
};

TEST_F(StateFile, ReplacingMakesTheFolderAndLeavesOnlyTheFile) {
  const fs::path path = folder / "deeper" / "cli-demo.state";
  EXPECT_EQ(ReadStateFile(path), std::nullopt);
  ASSERT_TRUE(ReplaceStateFile(path, "first\n"));
  EXPECT_EQ(ReadStateFile(path), "first\n");
  ASSERT_TRUE(ReplaceStateFile(path, "second, longer than the first\n"));
  EXPECT_EQ(ReadStateFile(path), "second, longer than the first\n");
  ASSERT_TRUE(ReplaceStateFile(path, "3\n"));
  EXPECT_EQ(ReadStateFile(path), "3\n");
  // No temporary file stays behind.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(path.parent_path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST_F(StateFile, AFileThatCannotBeReplacedSaysSoAndStaysAsItWas) {
  fs::create_directories(folder);
  // Where the folder should be there is a file.
  const fs::path blocker = folder / "blocker";
  std::ofstream(blocker, std::ios::binary) << "kept\n";  // no CRLF on Windows
  EXPECT_FALSE(ReplaceStateFile(blocker / "cli-demo.state", "new\n"));
  // A folder in the file's place cannot be renamed over.
  const fs::path taken = folder / "taken.state";
  fs::create_directories(taken / "inside");
  EXPECT_FALSE(ReplaceStateFile(taken, "new\n"));
  EXPECT_TRUE(fs::is_directory(taken / "inside"));
  EXPECT_EQ(ReadStateFile(blocker), "kept\n");
  EXPECT_FALSE(ReplaceStateFile({}, "new\n"));
  // Nothing but what the test made.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 2);
}

#ifndef _WIN32
// Sets the variable (or unsets it, for nothing) for the test's length.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DemoStatePath, FollowsTheUsersFolders) {
  using V = std::optional<std::string>;
  const struct {
    V runtime, cache, home;
    fs::path expected;
  } cases[] = {
      {"/run/user/1000", "/c", "/h", "/run/user/1000/ombrel-cli-demo.state"},
      {std::nullopt, "/c", "/h", "/c/ombrel/cli-demo.state"},
      {"", "", "/h", "/h/.cache/ombrel/cli-demo.state"},
      {"run", "cache", "/h", "/h/.cache/ombrel/cli-demo.state"},
      {std::nullopt, std::nullopt, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    ScopedVariable runtime("XDG_RUNTIME_DIR", c.runtime);
    ScopedVariable cache("XDG_CACHE_HOME", c.cache);
    ScopedVariable home("HOME", c.home);
    EXPECT_EQ(DefaultDemoStatePath(), c.expected);
  }
}
#endif

}  // namespace
}  // namespace ombrel::sim
