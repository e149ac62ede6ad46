// The Fan upload, byte for byte.
#include <gtest/gtest.h>

#include "protocol/fan_upload.h"
#include "tests/support/recording_link.h"

namespace ombrel::test {
namespace {

struct FanCase {
  const char* what;
  FanPage page;
  Reports expected;
};

// Names the case in test listings instead of its bytes.
void PrintTo(const FanCase& c, std::ostream* os) { *os << c.what; }

class FanUpload : public testing::TestWithParam<FanCase> {};

TEST_P(FanUpload, WritesThirteenValuesInTheUnitsOrderWithoutPauses) {
  RecordingLink recorder;
  UploadFan(GetParam().page, recorder.Link());
  EXPECT_EQ(recorder.reports, GetParam().expected);
  EXPECT_TRUE(recorder.pauses.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FanUpload,
    testing::Values(
        // The layout's page: thresholds 14 and 10 go out as 70 and 50.
        FanCase{"LayoutDefaults",
                {},
                Concat({Frames(13, Byte(1)), Frames(24, Byte(1)), Frames(25, Byte(0)), Frames(26, Byte(1)),
                        Frames(27, Byte(1)), Frames(28, Byte(1)), Frames(29, Byte(70)), Frames(30, Byte(50)),
                        Frames(33, Byte(0) + Byte(0) + Byte(0)), Frames(31, Seconds(0)), Frames(32, Seconds(0)),
                        Frames(43, Byte(1)), Frames(13, Byte(0))})},
        // 01:30 is 00 15 18 (5,400 s) and 23:59 is 01 51 44 (86,340 s).
        FanCase{"EveryControlTheOtherWay",
                {.offAllowed = false,
                 .exhaust = true,
                 .humiditySensor = false,
                 .relaySensor = false,
                 .sensor0To10V = false,
                 .humidityPosition = 8,
                 .sensor0To10VPosition = 20,
                 .turnOffDelay = 5400,
                 .nightMode = 86340,
                 .partyMode = 60,
                 .boostAndExhaust = false},
                Concat({Frames(13, Byte(1)), Frames(24, Byte(0)), Frames(25, Byte(1)), Frames(26, Byte(0)),
                        Frames(27, Byte(0)), Frames(28, Byte(0)), Frames(29, Byte(40)), Frames(30, Byte(100)),
                        Frames(33, Byte(0x00) + Byte(0x15) + Byte(0x18)),
                        Frames(31, Byte(0x01) + Byte(0x51) + Byte(0x44)), Frames(32, Byte(0) + Byte(0) + Byte(60)),
                        Frames(43, Byte(0)), Frames(13, Byte(0))})}),
    [](const testing::TestParamInfo<FanCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace ombrel::test
