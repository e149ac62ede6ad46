// The simulated unit played on the device's end of a mocked hidraw node.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <span>
#include <stop_token>
#include <thread>

#include "sim/unit_model.h"
#include "tests/hid_linux/mock_hidraw.h"

namespace ombrel::test {

// Plays the unit on the device's end: every whole output report goes to the
// model, every answer back into the node.
class UnitOnNode {
 public:
  UnitOnNode(sim::UnitModel& model, int deviceEnd) : FModel(model), FEnd(deviceEnd) {
    FModel.SetAnswerSink([this](std::span<const std::uint8_t> answer) {
      WriteToDeviceEnd(FEnd, Bytes(answer.begin(), answer.end()));
    });
    FThread = std::jthread([this](std::stop_token stop) { Run(stop); });
  }
  ~UnitOnNode() {
    FThread.request_stop();
    FThread.join();
    FModel.SetAnswerSink(nullptr);
  }
  UnitOnNode(const UnitOnNode&) = delete;
  UnitOnNode& operator=(const UnitOnNode&) = delete;

 private:
  void Run(std::stop_token stop) {
    Bytes report;
    std::uint8_t chunk[sim::kUnitReportLength];
    while (!stop.stop_requested()) {
      // Short polls, so a stop is seen soon.
      pollfd p{FEnd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      ssize_t n = ::read(FEnd, chunk, sizeof chunk - report.size());
      if (n <= 0) continue;
      report.insert(report.end(), chunk, chunk + n);
      if (report.size() == sim::kUnitReportLength) {
        FModel.HandleOutputReport(report);
        report.clear();
      }
    }
  }

  sim::UnitModel& FModel;
  const int FEnd;
  std::jthread FThread;
};

}  // namespace ombrel::test
