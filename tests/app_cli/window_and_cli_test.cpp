// The round trip against the window itself: ombrel-cli's `read` then
// `write` of what it printed sends a unit exactly what the window sends after
// "Receive current parameters" and the two Apply/Save clicks, pauses
// included, in every Wi-Fi mode.
#include <gtest/gtest.h>

#include <QPushButton>

#include <sstream>

#include "cli/commands.h"
#include "protocol/read_back_walk.h"
#include "tests/app/unit_fixture.h"
#include "tests/support/recording_link.h"
#include "tests/support/round_trip_cases.h"

namespace {

using ombrel::test::PauseMark;
using ombrel::test::RoundTripCase;

struct Sent {
  std::vector<std::vector<std::uint8_t>> reports;
  std::vector<PauseMark> pauses;
};

class WindowAndCli : public UnitFixture, public testing::WithParamInterface<RoundTripCase> {
 protected:
  // The window: read the unit back, then Apply/Save on both pages.
  Sent WindowRun(ombrel::sim::SimulatedUnit& unit) {
    QTest::mouseClick(form->Button_Get_current_parameters, Qt::LeftButton);
    // The gateway's answer ends the walk: its request is the last.
    EXPECT_TRUE(WaitFor([&] {
      const auto log = unit.Model().OutputLog();
      return !log.empty() && log.back() == ombrel::test::ReadRequestReport(Param_Gateway);
    }));
    Settle();
    const std::size_t base = unit.Device().OutputReportCount();
    unit.Model().ClearOutputLog();
    pauseMarks.clear();
    QTest::mouseClick(form->Button_Apply_Save_Wi_Fi, Qt::LeftButton);
    QTest::mouseClick(form->Button_Apply_Save_Fan, Qt::LeftButton);
    Sent sent{unit.Model().OutputLog(), {}};
    for (const auto& [ms, written] : pauseMarks) sent.pauses.push_back({ms, written - base});
    return sent;
  }

  // ombrel-cli, in two runs as two processes would: read, then write what it printed.
  static Sent CliRun(const ombrel::sim::UnitModelConfig& config, const ombrel::test::Stored& stored) {
    auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
    ombrel::sim::SimulatedUnit unit(*bus, config);
    Store(unit.Model(), stored);
    Sent sent;
    ombrel::cli::UnitEnvironment env;
    env.platform = bus;
    env.pause = [&](unsigned ms) { sent.pauses.push_back({ms, unit.Model().OutputReportCount()}); };

    std::istringstream nothing;
    std::ostringstream file, out, err;
    EXPECT_EQ(ombrel::cli::ReadCommand(env, {}, {nothing, file, err}), 0) << err.str();
    unit.Model().ClearOutputLog();
    sent.pauses.clear();
    std::istringstream in(file.str());
    ombrel::cli::Invocation write;
    write.file = "-";
    write.verify = false;  // the window's bytes alone
    EXPECT_EQ(ombrel::cli::WriteCommand(env, write, {in, out, err}), 0) << err.str() << file.str();
    sent.reports = unit.Model().OutputLog();
    return sent;
  }
};

TEST_P(WindowAndCli, CliRoundTripSendsWhatTheWindowSends) {
  const RoundTripCase& c = GetParam();
  ombrel::sim::SimulatedUnit& unit = StartWithQuietUnit("Pendra DUO");
  Store(unit.Model(), c.stored);
  const Sent window = WindowRun(unit);
  ASSERT_TRUE(messages.boxes.empty());
  ASSERT_EQ(window.reports.size(), 15u + 13u);

  ombrel::sim::UnitModelConfig config;
  config.productName = "Pendra DUO";
  config.serialNumber = "PD42";
  const Sent cli = CliRun(config, c.stored);
  // The same writes with the same pauses; only a timer past 23:59, which
  // the window's field cannot show, goes back from the command line as the
  // unit holds it.
  EXPECT_EQ(cli.pauses, window.pauses);
  EXPECT_EQ(window.reports, ombrel::test::Concat({ombrel::test::WindowWiFiUpload(c.wifiSent),
                                                  ombrel::test::WindowFanUpload(c.fanSent)}));
  EXPECT_EQ(cli.reports, ombrel::test::Concat({ombrel::test::WindowWiFiUpload(c.wifiSent),
                                               ombrel::test::WindowFanUpload(ombrel::test::CliFanSent(c))}));
}

INSTANTIATE_TEST_SUITE_P(EachMode, WindowAndCli, testing::ValuesIn(ombrel::test::RoundTripCases()),
                         [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.mode); });

}  // namespace
