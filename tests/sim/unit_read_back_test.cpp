// The program's read-back walk driven against the simulated unit: the
// program's framing, decoding and walk table on one side, the model on the
// other.

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "protocol/device_settings.h"
#include "protocol/framing.h"
#include "protocol/input_decoding.h"
#include "protocol/read_back_walk.h"
#include "sim/unit_model.h"

namespace ombrel::sim {
namespace {

struct Walk {
  std::vector<ParamID> answered;
  std::vector<InputParameter> values;
};

// Answers are queued and handled one at a time, as the reader hands them to
// the window thread; each handled answer writes the next request.
Walk RunWalk(UnitModel& unit) {
  std::deque<Report> pending;
  unit.SetAnswerSink([&pending](std::span<const std::uint8_t> r) { pending.emplace_back(r.begin(), r.end()); });
  const auto send = [&unit](ParamID id, const std::u16string& value) {
    SendParameterTo([&unit](std::span<const std::uint8_t> r) { unit.HandleOutputReport(r); },
                    kUnitReportLength, id, value);
  };

  Walk walk;
  send(Param_Read_request, ReadRequestValue(kReadBackFirst));
  while (!pending.empty() && walk.answered.size() < 100) {
    const Report report = pending.front();
    pending.pop_front();
    const auto decoded = DecodeInputReport(report);
    if (!decoded) continue;
    walk.answered.push_back(decoded->id);
    walk.values.push_back(*decoded);
    if (const auto next = NextReadBackRequest(decoded->id)) send(Param_Read_request, ReadRequestValue(*next));
  }
  return walk;
}

const std::vector<ParamID> kOrder{5, 12, 6, 7, 8, 9, 10, 11, 14, 15, 24, 25, 26, 27, 28, 29, 30, 33, 31, 32, 43, 47};

TEST(UnitReadBack, WalkVisitsTheTwentyTwoSettingsInOrderOnBothModels) {
  for (std::string_view model : {kModelPendra, kModelPendraDuo}) {
    UnitModel unit({.productName = std::string(model)});
    const Walk walk = RunWalk(unit);
    EXPECT_EQ(walk.answered, kOrder) << model;

    // One read request per step, and nothing else.
    const std::vector<Report> log = unit.OutputLog();
    ASSERT_EQ(log.size(), kOrder.size()) << model;
    for (std::size_t i = 0; i < log.size(); ++i) {
      EXPECT_EQ(Report(log[i].begin(), log[i].begin() + 5), (Report{1, 16, 1, kOrder[i], 0})) << model;
    }
  }
}

TEST(UnitReadBack, WalkCarriesTheUnitsValues) {
  UnitModel unit;
  unit.SetByte(Param_Device_mode, 0);
  unit.SetText(Param_Wi_Fi_name, "Kirrowind-7");
  unit.SetAddress(Param_IP_Slave, {192, 168, 4, 23});
  unit.SetByte(Param_Security_Wi_Fi, '2');
  unit.SetByte(Param_Humidity_sensor_threshold, 55);
  unit.SetSeconds(Param_Timer_night_mode, 90000);
  unit.SetAddress(Param_Gateway, {10, 0, 0, 1});

  const Walk walk = RunWalk(unit);
  ASSERT_EQ(walk.values.size(), kOrder.size());
  const auto value = [&walk](ParamID id) {
    for (const InputParameter& v : walk.values) {
      if (v.id == id) return v;
    }
    ADD_FAILURE() << "no answer for " << int{id};
    return InputParameter{};
  };
  EXPECT_EQ(value(Param_Device_mode).byte, 0);
  EXPECT_EQ(ShownText(value(Param_Wi_Fi_name).text), u"Kirrowind-7");
  EXPECT_EQ(value(Param_Wi_Fi_name).text.size(), kUnitReportLength - 3);
  EXPECT_EQ(value(Param_IP_Slave).address, (Ipv4Octets{192, 168, 4, 23}));
  EXPECT_EQ(value(Param_Security_Wi_Fi).byte, '2');
  EXPECT_EQ(value(Param_Humidity_sensor_threshold).byte, 55);
  EXPECT_EQ(value(Param_Timer_night_mode).seconds, 90000u);
  EXPECT_EQ(value(Param_Gateway).address, (Ipv4Octets{10, 0, 0, 1}));

  WiFiSettings settings;
  for (const InputParameter& v : walk.values) StoreReadBackAnswer(settings, v);
  EXPECT_EQ(settings.role, 0);
  EXPECT_EQ(settings.security, '2');
  EXPECT_EQ(settings.slaveAddress, (Ipv4Octets{192, 168, 4, 23}));
}

TEST(UnitReadBack, PollAnswersLeaveTheWalkAlone) {
  UnitModel unit;
  std::deque<Report> pending;
  unit.SetAnswerSink([&pending](std::span<const std::uint8_t> r) { pending.emplace_back(r.begin(), r.end()); });
  const auto request = [&unit](ParamID id) {
    SendParameterTo([&unit](std::span<const std::uint8_t> r) { unit.HandleOutputReport(r); },
                    kUnitReportLength, Param_Read_request, ReadRequestValue(id));
  };

  std::vector<ParamID> walked;
  request(kReadBackFirst);
  std::vector<ParamID> polled;
  while (!pending.empty() && pending.size() < 1000) {
    const auto decoded = DecodeInputReport(pending.front());
    pending.pop_front();
    ASSERT_TRUE(decoded);
    if (!IsReadBackParameter(decoded->id)) {
      polled.push_back(decoded->id);
      EXPECT_FALSE(NextReadBackRequest(decoded->id));
      continue;
    }
    walked.push_back(decoded->id);
    // A poll tick lands before each next walk request.
    request(Param_Wi_Fi_State_connection);
    request(Param_Master_State_connection);
    request(Param_Timer_filter);
    if (const auto next = NextReadBackRequest(decoded->id)) request(*next);
  }
  EXPECT_EQ(walked, kOrder);
  EXPECT_EQ(polled.size(), 3 * kOrder.size());
}

TEST(UnitReadBack, ShortInputReportsEndTheWalkAtTheFirstAddress) {
  // Six-byte input reports hold a byte or seconds but not an address: the
  // program drops the slave address answer, and the walk stops there.
  UnitModel unit({.inputReportLength = 6});
  const Walk walk = RunWalk(unit);
  EXPECT_EQ(walk.answered, (std::vector<ParamID>{5, 12, 6, 7, 8, 9}));
}

}  // namespace
}  // namespace ombrel::sim
