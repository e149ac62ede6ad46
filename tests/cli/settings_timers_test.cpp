// Timers the window cannot show (a day or more, seconds) go through
// `read` and `write` unchanged: the file holds what the unit holds.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/exit_codes.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/frames.h"
#include "tests/support/round_trip_cases.h"

namespace ombrel::test {
namespace {

struct TimerForm {
  const char* what;
  std::vector<std::string> readArgs;
};

void PrintTo(const TimerForm& f, std::ostream* os) { *os << f.what; }

class LongTimers : public CliFixture, public testing::WithParamInterface<TimerForm> {};

TEST_P(LongTimers, ReadThenWriteLeavesTheUnitsSecondsAsTheyWere) {
  sim::SimulatedUnit& unit = PlugUnit();
  Store(unit.Model(), {kHome, {.turnOffDelay = 90000, .nightMode = 5459, .partyMode = 90030}});
  const std::vector<std::pair<ParamID, std::uint32_t>> timers{
      {Param_Timer_after_reacting_any_sensor, 90000}, {Param_Timer_night_mode, 5459}, {Param_Timer_party_mode, 90030}};

  const CliRun read = Run(GetParam().readArgs);
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  unit.Model().ClearOutputLog();
  // The window's read-back would have set these; the write must undo it.
  for (const auto& [id, seconds] : timers) unit.Model().SetSeconds(id, 0);

  const CliRun write = Run({"write", WriteFile("timers", read.out)});
  ASSERT_EQ(write.code, cli::kExitOk) << write.err << "\n" << read.out;
  const auto log = unit.Model().OutputLog();
  for (const auto& [id, seconds] : timers) {
    const auto sent = Frames(static_cast<std::uint8_t>(id), Seconds(seconds));
    EXPECT_NE(std::search(log.begin(), log.end(), sent.begin(), sent.end()), log.end()) << "parameter " << id;
    const auto bytes = SecondsBytes(seconds);
    EXPECT_EQ(unit.Model().StoredValue(id), sim::Report(bytes.begin(), bytes.end())) << "parameter " << id;
  }
}

INSTANTIATE_TEST_SUITE_P(EachForm, LongTimers,
                         testing::Values(TimerForm{"Ini", {"read"}}, TimerForm{"Json", {"read", "--json"}}),
                         [](const testing::TestParamInfo<TimerForm>& info) { return std::string(info.param.what); });

class TimerText : public CliFixture {};

TEST_F(TimerText, ReadPrintsHoursPast23AndSecondsWithWhatTheWindowShows) {
  Store(PlugUnit().Model(), {kHome, {.turnOffDelay = 90000, .nightMode = 5459, .partyMode = 600}});
  const CliRun read = Run({"read"});
  ASSERT_EQ(read.code, cli::kExitOk) << read.err;
  EXPECT_NE(read.out.find("turn_off_delay = 25:00 ; the window shows 01:00\n"
                          "night_mode_timer = 01:30:59 ; the window shows 01:30\n"
                          "party_mode_timer = 00:10\n"),
            std::string::npos)
      << read.out;
}

}  // namespace
}  // namespace ombrel::test
