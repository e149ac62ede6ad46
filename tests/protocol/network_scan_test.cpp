// The network scan as steps with time passed in: the commands, their repeat
// every two seconds until the first answer, the collection time after it
// and the closing sequence.
#include <gtest/gtest.h>

#include "protocol/network_scan.h"
#include "tests/support/recording_link.h"

namespace ombrel::test {
namespace {

using Clock = ScanRun::Clock;
using std::chrono::milliseconds;

const Reports kCommands = Concat({Frames(4, Byte(1)), Frames(1, u"AT+CWQAP\r\n"), Frames(1, u"AT+CWMODE_DEF=1\r\n"),
                                  Frames(1, u"AT+CWLAP\r\n")});
const Reports kClosing = Concat({Frames(4, Byte(0)), Frames(3, Byte(0)), Frames(3, Byte(1))});

InputParameter ScanAnswer(std::string_view entry) {
  InputParameter a;
  a.id = Param_Wi_Fi_scan;
  a.layout = ValueLayout::Text;
  a.text = Text(entry);
  return a;
}

class ScanSteps : public testing::Test {
 protected:
  RecordingLink recorder;
  ScanRun scan;
  const Clock::time_point t0{};
};

TEST_F(ScanSteps, CommandsGoOutAtOnceWithTheirPauses) {
  scan.Start(recorder.Link(), t0);
  EXPECT_EQ(recorder.reports, kCommands);
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{100, 2}, {100, 3}}));
  EXPECT_TRUE(scan.Waiting());
  EXPECT_EQ(scan.NextStep(), t0 + milliseconds(2000));
}

TEST_F(ScanSteps, WithoutAnAnswerTheCommandsRepeatEveryTwoSeconds) {
  scan.Start(recorder.Link(), t0);
  recorder.Clear();
  scan.Step(recorder.Link(), t0 + milliseconds(1999));
  EXPECT_TRUE(recorder.reports.empty());
  scan.Step(recorder.Link(), t0 + milliseconds(2000));
  EXPECT_EQ(recorder.reports, kCommands);
  scan.Step(recorder.Link(), t0 + milliseconds(3999));
  EXPECT_EQ(recorder.reports, kCommands);
  scan.Step(recorder.Link(), t0 + milliseconds(4000));
  EXPECT_EQ(recorder.reports, Concat({kCommands, kCommands}));
  EXPECT_EQ(scan.Attempts(), 3u);
}

TEST_F(ScanSteps, AnswersWithinOnePointFiveSecondsOfTheFirstAreCollectedThenTheScanCloses) {
  scan.Start(recorder.Link(), t0);
  recorder.Clear();
  const auto first = t0 + milliseconds(700);
  scan.TakeAnswer(ScanAnswer("+CWLAP:(3,\"Home\",-60,\"aa:bb:cc:dd:ee:ff\",6)"), first);
  scan.TakeAnswer(ScanAnswer("+CWLAP:(0,\"\",-70,\"aa:bb:cc:dd:ee:00\",1)"), first + milliseconds(300));
  scan.TakeAnswer(ScanAnswer("+CWLAP:(3,\"Home\",-61,\"aa:bb:cc:dd:ee:01\",6)"), first + milliseconds(1400));
  EXPECT_FALSE(scan.Waiting());
  ASSERT_TRUE(scan.Collecting());
  EXPECT_EQ(scan.NextStep(), first + milliseconds(1500));

  // The first answer stopped the repeats; the collection time is the first's.
  scan.Step(recorder.Link(), first + milliseconds(1499));
  EXPECT_TRUE(recorder.reports.empty());
  scan.Step(recorder.Link(), first + milliseconds(1500));
  EXPECT_EQ(recorder.reports, kClosing);
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{200, 2}}));
  EXPECT_FALSE(scan.Collecting());
  EXPECT_EQ(scan.NextStep(), std::nullopt);
  // Every name as it came, the empty and the repeated one too.
  EXPECT_EQ(scan.Names(), (std::vector<std::u16string>{u"Home", u"", u"Home"}));

  scan.Step(recorder.Link(), first + milliseconds(5000));
  EXPECT_EQ(recorder.reports, kClosing) << "closed once";
}

TEST_F(ScanSteps, AnAnswerAfterTheCloseStartsAnotherCollectionAsTheWindowsTimerDoes) {
  scan.Start(recorder.Link(), t0);
  scan.TakeAnswer(ScanAnswer("+CWLAP:(3,\"A\",1)"), t0);
  scan.Step(recorder.Link(), t0 + milliseconds(1500));
  recorder.Clear();
  scan.TakeAnswer(ScanAnswer("+CWLAP:(3,\"B\",1)"), t0 + milliseconds(3000));
  scan.Step(recorder.Link(), t0 + milliseconds(4500));
  EXPECT_EQ(recorder.reports, kClosing);
}

TEST_F(ScanSteps, OtherAnswersAreNotScanAnswers) {
  scan.Start(recorder.Link(), t0);
  InputParameter ok;
  ok.id = Param_AT_command;
  ok.layout = ValueLayout::Text;
  ok.text = u"OK\r\n";
  scan.TakeAnswer(ok, t0 + milliseconds(10));
  EXPECT_TRUE(scan.Waiting());
  EXPECT_TRUE(scan.Names().empty());
}

}  // namespace
}  // namespace ombrel::test
