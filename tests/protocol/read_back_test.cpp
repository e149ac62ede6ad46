// The read-back: how each answer lands in the pages and the last known
// settings, and a walk with a time limit against the unit model, time
// passed in.
#include <gtest/gtest.h>

#include <deque>

#include "protocol/read_back.h"
#include "protocol/read_back_walk.h"
#include "sim/unit_model.h"
#include "tests/support/recording_link.h"

namespace ombrel::test {
namespace {

using Clock = ReadBackRun::Clock;
using std::chrono::milliseconds;

InputParameter ByteAnswer(ParamID id, std::uint8_t value) {
  InputParameter a;
  a.id = id;
  a.byte = value;
  return a;
}

InputParameter TextAnswer(ParamID id, std::u16string text) {
  InputParameter a;
  a.id = id;
  a.layout = ValueLayout::Text;
  a.text = std::move(text);
  return a;
}

InputParameter SecondsAnswer(ParamID id, std::uint32_t seconds) {
  InputParameter a;
  a.id = id;
  a.layout = ValueLayout::Seconds;
  a.seconds = seconds;
  return a;
}

TEST(ReadBackAnswers, MasterConnectionTypeChoosesTheRouterButtonOtherValuesLeaveIt) {
  for (const auto& [type, withRouter] : {std::pair{1, true}, {2, false}, {7, true}}) {
    UnitReading reading;
    reading.wifi.withRouter = true;
    TakeReadBackAnswer(reading, ByteAnswer(Param_Device_mode, 1));
    TakeReadBackAnswer(reading, ByteAnswer(Param_Type_of_connection, static_cast<std::uint8_t>(type)));
    EXPECT_EQ(reading.wifi.withRouter, withRouter) << "type " << type;
    EXPECT_EQ(reading.lastKnown.connectionType, type) << "the value is kept all the same";
  }
}

TEST(ReadBackAnswers, SlaveRouterFollowsTheNetworkNameNotTheConnectionType) {
  const struct {
    std::u16string name;
    bool withRouter;
  } cases[] = {{u"Kirrowind_Pendra", false}, {u"Kirrowind", false}, {u"kirrowind", true}, {u"", true},
               {u"Home", true}};
  for (const auto& c : cases) {
    UnitReading reading;
    TakeReadBackAnswer(reading, ByteAnswer(Param_Device_mode, 0));
    TakeReadBackAnswer(reading, ByteAnswer(Param_Type_of_connection, 2));
    EXPECT_FALSE(reading.wifi.withRouter) << "a slave's connection type changes no button";
    // The name as the unit sends it: the whole value area, zeros after it.
    TakeReadBackAnswer(reading, TextAnswer(Param_Wi_Fi_name, c.name + std::u16string(10, u'\0')));
    EXPECT_EQ(reading.wifi.networkName, c.name);
    EXPECT_EQ(reading.wifi.withRouter, c.withRouter) << std::string(c.name.begin(), c.name.end());
  }
}

TEST(ReadBackAnswers, NumberListsWithoutTheValueLoseTheirSelectionOthersKeepItTheValueIsKnown) {
  UnitReading reading;
  const WiFiPage before = reading.wifi;
  TakeReadBackAnswer(reading, ByteAnswer(Param_Wi_Fi_channel, 0));
  TakeReadBackAnswer(reading, ByteAnswer(Param_Number_Slave, 32));
  TakeReadBackAnswer(reading, ByteAnswer(Param_Security_Wi_Fi, '1'));
  TakeReadBackAnswer(reading, ByteAnswer(Param_IP_Slave_mode, 2));
  // An upload that needs these numbers then refuses instead of sending a
  // value the unit does not hold.
  EXPECT_EQ(reading.wifi.channel, std::nullopt);
  EXPECT_EQ(reading.wifi.slaveNumber, std::nullopt);
  EXPECT_EQ(reading.wifi.securityIndex, before.securityIndex);
  EXPECT_EQ(reading.wifi.slaveAddressIndex, before.slaveAddressIndex);
  EXPECT_EQ(reading.lastKnown.channel, 0);
  EXPECT_EQ(reading.lastKnown.slaveNumber, 32);
  EXPECT_EQ(reading.lastKnown.security, '1');

  TakeReadBackAnswer(reading, ByteAnswer(Param_Wi_Fi_channel, 14));
  EXPECT_EQ(reading.wifi.channel, std::nullopt);
  TakeReadBackAnswer(reading, ByteAnswer(Param_Wi_Fi_channel, 13));
  TakeReadBackAnswer(reading, ByteAnswer(Param_Number_Slave, 31));
  TakeReadBackAnswer(reading, ByteAnswer(Param_Security_Wi_Fi, '0'));
  TakeReadBackAnswer(reading, ByteAnswer(Param_IP_Slave_mode, 0));
  EXPECT_EQ(reading.wifi.channel, 13);
  EXPECT_EQ(reading.wifi.slaveNumber, 32);
  EXPECT_EQ(reading.wifi.securityIndex, kSecurityOpen);
  EXPECT_EQ(reading.wifi.slaveAddressIndex, kSlaveAddressStatic);
}

TEST(ReadBackAnswers, FanControlsAsTheWindowShowsThem) {
  UnitReading reading;
  TakeReadBackAnswer(reading, ByteAnswer(Param_Available_OFF_device, 0));
  TakeReadBackAnswer(reading, ByteAnswer(Param_Direction, 7));  // changes nothing
  TakeReadBackAnswer(reading, ByteAnswer(Param_Humidity_sensor_threshold, 90));
  TakeReadBackAnswer(reading, ByteAnswer(Param_External_sensor2_threshold, 42));
  TakeReadBackAnswer(reading, SecondsAnswer(Param_Timer_night_mode, 90000));  // 25 hours
  TakeReadBackAnswer(reading, SecondsAnswer(Param_Timer_party_mode, 5459));   // 01:30:59
  TakeReadBackAnswer(reading, ByteAnswer(Param_Direction_DUO, 0));
  EXPECT_FALSE(reading.fan.offAllowed);
  EXPECT_FALSE(reading.fan.exhaust);
  EXPECT_EQ(reading.fan.humidityPosition, 16);      // 80 %RH, the bar's end
  EXPECT_EQ(reading.fan.sensor0To10VPosition, 8);   // 42 rounds to 40
  EXPECT_EQ(reading.fan.nightMode, 3600u);          // shown as 01:00
  EXPECT_EQ(reading.fan.partyMode, 5400u);          // seconds dropped
  EXPECT_FALSE(reading.fan.boostAndExhaust);
}

TEST(ReadBackAnswers, TimersAreAlsoKeptAsTheUnitHoldsThem) {
  UnitReading reading;
  TakeReadBackAnswer(reading, SecondsAnswer(Param_Timer_after_reacting_any_sensor, 16777215));
  TakeReadBackAnswer(reading, SecondsAnswer(Param_Timer_night_mode, 90000));
  TakeReadBackAnswer(reading, SecondsAnswer(Param_Timer_party_mode, 5459));
  EXPECT_EQ(reading.heldTimers.turnOffDelay, 16777215u);
  EXPECT_EQ(reading.heldTimers.nightMode, 90000u);
  EXPECT_EQ(reading.heldTimers.partyMode, 5459u);
  // The window's fields are unchanged by it.
  EXPECT_EQ(reading.fan.turnOffDelay, 4 * 3600u + 20 * 60u);  // 4660:20:15 shown as 04:20
  EXPECT_EQ(reading.fan.nightMode, 3600u);
  EXPECT_EQ(reading.fan.partyMode, 5400u);
}

TEST(ReadBackAnswers, StatusAndScanAnswersAreNotTheWalks) {
  UnitReading reading;
  EXPECT_FALSE(TakeReadBackAnswer(reading, ByteAnswer(Param_Wi_Fi_State_connection, 1)));
  EXPECT_FALSE(TakeReadBackAnswer(reading, TextAnswer(Param_Wi_Fi_scan, u"+CWLAP:(3,\"x\",1)")));
}

TEST(ReadBackContinuation, PausesOneMillisecondThenAsksForTheNext) {
  RecordingLink recorder;
  ContinueReadBack(Param_Security_Wi_Fi, recorder.Link());
  EXPECT_EQ(recorder.reports, Reports{ReadRequestReport(Param_Available_OFF_device)});
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{1, 0}}));

  recorder.Clear();
  ContinueReadBack(Param_Gateway, recorder.Link());  // the last: a pause and nothing more
  EXPECT_TRUE(recorder.reports.empty());
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{1, 0}}));

  recorder.Clear();
  ContinueReadBack(Param_Wi_Fi_State_connection, recorder.Link());
  EXPECT_TRUE(recorder.reports.empty());
  EXPECT_TRUE(recorder.pauses.empty());
}

// The unit model on the other end of a recording link; its answers wait in
// a queue until the test hands them to the walk.
class WalkOnModel : public testing::Test {
 protected:
  WalkOnModel() {
    unit.SetAnswerSink([this](std::span<const std::uint8_t> r) {
      if (auto a = DecodeInputReport(r)) answers.push_back(*a);
    });
  }

  // Hands the answers over one by one, the clock moving 2 ms for each.
  void Deliver(ReadBackRun& run, std::size_t limit = SIZE_MAX) {
    for (std::size_t n = 0; n < limit && !answers.empty(); ++n) {
      const InputParameter a = answers.front();
      answers.pop_front();
      now += milliseconds(2);
      run.TakeAnswer(a, recorder.Link(), now);
    }
  }

  sim::UnitModel unit;
  RecordingLink recorder{[this](const Report& r) { unit.HandleOutputReport(r); }};
  std::deque<InputParameter> answers;
  Clock::time_point now{};
};

TEST_F(WalkOnModel, AsksForEveryParameterInOrderAndReadsTheUnit) {
  unit.SetByte(Param_Device_mode, 0);
  unit.SetText(Param_Wi_Fi_name, "Home-Net");
  unit.SetByte(Param_IP_Slave_mode, 0);
  unit.SetAddress(Param_IP_Slave, {10, 0, 0, 7});
  unit.SetSeconds(Param_Timer_night_mode, 86340);
  ReadBackRun run(milliseconds(1000));
  run.Start(recorder.Link(), now);
  Deliver(run);

  ASSERT_TRUE(run.Finished());
  EXPECT_EQ(run.Answered(), kReadBackLength);
  Reports requests;
  for (const ReadBackStep& step : ReadBackSteps()) requests.push_back(ReadRequestReport(step.answer));
  EXPECT_EQ(recorder.reports, requests);
  // A 1 ms pause after each answer, before the next request and after the last.
  ASSERT_EQ(recorder.pauses.size(), kReadBackLength);
  for (std::size_t i = 0; i < kReadBackLength; ++i) EXPECT_EQ(recorder.pauses[i], (PauseMark{1, i + 1}));

  const UnitReading& r = run.Reading();
  EXPECT_FALSE(r.wifi.master);
  EXPECT_TRUE(r.wifi.withRouter);
  EXPECT_EQ(r.wifi.networkName, u"Home-Net");
  EXPECT_EQ(r.wifi.slaveAddressIndex, kSlaveAddressStatic);
  EXPECT_EQ(r.wifi.slaveAddress, (Ipv4Octets{10, 0, 0, 7}));
  EXPECT_EQ(r.lastKnown.slaveAddress, (Ipv4Octets{10, 0, 0, 7}));
  EXPECT_EQ(r.fan.nightMode, 23 * 3600u + 59 * 60);
}

TEST_F(WalkOnModel, AUnitThatStopsAnsweringLeavesTheWalkWaitingForThatStepUntilItsLimit) {
  ReadBackRun run(milliseconds(1000));
  run.Start(recorder.Link(), now);
  Deliver(run, 6);  // 5, 12, 6, 7, 8, 9 answered; 10 asked for
  answers.clear();  // and never answered

  ASSERT_FALSE(run.Finished());
  EXPECT_EQ(run.Awaiting(), Param_IP_Slave);
  EXPECT_EQ(run.Answered(), 6u);
  // The limit counts from the request, which follows the answer's 1 ms pause.
  EXPECT_FALSE(run.TimedOut(now + milliseconds(1000)));
  EXPECT_TRUE(run.TimedOut(now + milliseconds(1001)));
  EXPECT_EQ(run.Deadline(), now + milliseconds(1001));
}

TEST_F(WalkOnModel, AnswersTheWalkDoesNotWaitForAreLeftAlone) {
  ReadBackRun run(milliseconds(1000));
  run.Start(recorder.Link(), now);
  // Answers of another walk and of the status poll come between.
  run.TakeAnswer(ByteAnswer(Param_Wi_Fi_channel, 3), recorder.Link(), now);
  run.TakeAnswer(ByteAnswer(Param_Wi_Fi_State_connection, 1), recorder.Link(), now);
  EXPECT_EQ(recorder.reports, Reports{ReadRequestReport(Param_Device_mode)});
  EXPECT_EQ(run.Awaiting(), Param_Device_mode);
  EXPECT_EQ(run.Reading().lastKnown.channel, 0);

  Deliver(run);
  EXPECT_TRUE(run.Finished());
}

TEST_F(WalkOnModel, AwaitTakesAWalkWhoseFirstRequestWentOutElsewhere) {
  ReadBackRun run(milliseconds(1000));
  unit.SetByte(Param_Wi_Fi_channel, 2);
  recorder.Link().send(Param_Read_request, ReadRequestValue(kReadBackFirst));
  run.Await(now);
  Deliver(run);
  EXPECT_TRUE(run.Finished());
  EXPECT_EQ(recorder.reports.size(), kReadBackLength);
  EXPECT_EQ(run.Reading().wifi.channel, 2);
}

}  // namespace
}  // namespace ombrel::test
