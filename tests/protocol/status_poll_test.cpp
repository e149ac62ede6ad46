// The status poll's requests and answers, and the maintenance commands.
#include <gtest/gtest.h>

#include "protocol/status_poll.h"
#include "tests/support/recording_link.h"

namespace ombrel::test {
namespace {

TEST(StatusPoll, AsksForBothStatesAndWithTheFilterPageTheFilterTime) {
  RecordingLink recorder;
  WriteStatusRequests(recorder.Link(), false);
  EXPECT_EQ(recorder.reports, (Reports{ReadRequestReport(34), ReadRequestReport(41)}));
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{20, 1}}));

  recorder.Clear();
  WriteStatusRequests(recorder.Link(), true);
  EXPECT_EQ(recorder.reports, (Reports{ReadRequestReport(34), ReadRequestReport(41), ReadRequestReport(38)}));
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{20, 1}, {20, 2}}));
}

TEST(StatusPoll, AnswersFillTheStatusAnyNonZeroStateIsConnected) {
  UnitStatus status;
  InputParameter a;
  a.id = Param_Wi_Fi_State_connection;
  a.byte = 2;
  EXPECT_TRUE(TakeStatusAnswer(status, a));
  a.id = Param_Master_State_connection;
  a.byte = 0;
  EXPECT_TRUE(TakeStatusAnswer(status, a));
  a.id = Param_Timer_filter;
  a.layout = ValueLayout::Seconds;
  a.seconds = 90061;
  EXPECT_TRUE(TakeStatusAnswer(status, a));
  a.id = Param_Wi_Fi_channel;
  EXPECT_FALSE(TakeStatusAnswer(status, a));

  EXPECT_EQ(status.wifiConnected, true);
  EXPECT_EQ(status.masterConnected, false);
  EXPECT_EQ(status.filterRunSeconds, 90061u);
}

TEST(StatusPoll, FilterTimeSplitsIntoDaysHoursMinutesSeconds) {
  const struct {
    std::uint32_t seconds;
    FilterTimeParts parts;
  } cases[] = {{0, {0, 0, 0, 0}}, {90061, {1, 1, 1, 1}}, {16777215, {194, 4, 20, 15}}};
  for (const auto& c : cases) {
    const FilterTimeParts p = SplitFilterTime(c.seconds);
    EXPECT_EQ(std::tie(p.days, p.hours, p.minutes, p.seconds),
              std::tie(c.parts.days, c.parts.hours, c.parts.minutes, c.parts.seconds))
        << c.seconds;
  }
}

TEST(Maintenance, RestoreDefaultsOpensATransferRestoresAndAfter200MsStartsTheReadBack) {
  RecordingLink recorder;
  RestoreDefaults(recorder.Link());
  EXPECT_EQ(recorder.reports, Concat({Frames(13, Byte(1)), Frames(39, Byte(0)), {ReadRequestReport(5)}}));
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{200, 2}}));
}

TEST(Maintenance, ResetFilterTimerIsOneWrite) {
  RecordingLink recorder;
  ResetFilterTimer(recorder.Link());
  EXPECT_EQ(recorder.reports, Frames(40, Byte(0)));
  EXPECT_TRUE(recorder.pauses.empty());
}

}  // namespace
}  // namespace ombrel::test
