#include "protocol/read_back_walk.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "protocol/catalogue.h"
#include "protocol/framing.h"

namespace ombrel {
namespace {

const std::vector<ParamID> kWalk{5,  12, 6,  7,  8,  9,  10, 11, 14, 15, 24,
                                 25, 26, 27, 28, 29, 30, 33, 31, 32, 43, 47};

TEST(ReadBackWalk, FollowingEachAnswerVisitsTheSettingsInOrder) {
  std::vector<ParamID> visited;
  std::optional<ParamID> next = kReadBackFirst;
  while (next && visited.size() <= 256) {
    visited.push_back(*next);
    next = NextReadBackRequest(*next);
  }
  EXPECT_EQ(visited, kWalk);
  EXPECT_TRUE(EndsReadBack(visited.back()));
}

TEST(ReadBackWalk, StepsTableIsTheWalk) {
  std::vector<ParamID> answers;
  for (const ReadBackStep& step : ReadBackSteps()) answers.push_back(step.answer);
  EXPECT_EQ(answers, kWalk);
  EXPECT_EQ(ReadBackSteps().size(), kReadBackLength);
}

TEST(ReadBackWalk, OnlyTheGatewayEndsIt) {
  for (int id = 0; id < 256; ++id) {
    EXPECT_EQ(EndsReadBack(static_cast<ParamID>(id)), id == Param_Gateway) << id;
  }
}

TEST(ReadBackWalk, AnswersOutsideTheWalkRequestNothing) {
  const std::set<ParamID> walk(kWalk.begin(), kWalk.end());
  for (int id = 0; id < 256; ++id) {
    const auto param = static_cast<ParamID>(id);
    EXPECT_EQ(IsReadBackParameter(param), walk.count(param) == 1) << id;
    if (!walk.count(param)) {
      EXPECT_FALSE(NextReadBackRequest(param)) << id;
    }
  }
}

TEST(ReadBackWalk, EveryWalkParameterIsOneTheUnitSends) {
  for (ParamID id : kWalk) {
    const CatalogueRow* row = FindCatalogueRow(id);
    ASSERT_NE(row, nullptr) << int{id};
    EXPECT_TRUE(row->in && row->out) << row->name;
  }
}

TEST(ReadBackWalk, ReadRequestOnTheWire) {
  const auto reports = FrameParameter(Param_Read_request, ReadRequestValue(kReadBackFirst), 65);
  ASSERT_EQ(reports.size(), 1u);
  std::vector<std::uint8_t> expected(65, 0);
  expected[0] = 1;
  expected[1] = 0x10;
  expected[2] = 1;
  expected[3] = 5;
  EXPECT_EQ(reports[0], expected);
}

}  // namespace
}  // namespace ombrel
