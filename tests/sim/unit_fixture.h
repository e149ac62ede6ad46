#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/framing.h"
#include "sim/unit_model.h"

namespace ombrel::sim {

// A unit whose answers are collected, and helpers that write to it as the
// program does.
class UnitFixture : public testing::Test {
 protected:
  explicit UnitFixture(UnitModelConfig config = {}) : unit(std::move(config)) {
    unit.SetAnswerSink([this](std::span<const std::uint8_t> r) { answers.emplace_back(r.begin(), r.end()); });
  }

  void Write(ParamID id, const std::u16string& value, std::size_t reportLength = kUnitReportLength) {
    SendParameterTo([this](std::span<const std::uint8_t> r) { unit.HandleOutputReport(r); }, reportLength,
                    id, value);
  }

  void WriteText(ParamID id, std::string_view text, std::size_t reportLength = kUnitReportLength) {
    Write(id, std::u16string(text.begin(), text.end()), reportLength);
  }

  // A read request, built by hand so the model is checked against the bytes.
  void Request(ParamID id) {
    Report request(kUnitReportLength, 0);
    request[0] = 1;
    request[1] = 16;
    request[2] = 1;
    request[3] = id;
    unit.HandleOutputReport(request);
  }

  // The one answer to a read request for `id`.
  Report Read(ParamID id) {
    answers.clear();
    Request(id);
    EXPECT_EQ(answers.size(), 1u) << "answers to a request for " << int{id};
    return answers.empty() ? Report{} : answers.front();
  }

  UnitModel unit;
  std::vector<Report> answers;
};

// [1, id, count, value..., zeros] of 65 bytes.
inline Report Answer(ParamID id, std::uint8_t count, const Report& value) {
  Report report(kUnitReportLength, 0);
  report[0] = 1;
  report[1] = id;
  report[2] = count;
  std::copy(value.begin(), value.end(), report.begin() + 3);
  return report;
}

}  // namespace ombrel::sim
