// ombrel-cli's commands on simulated units plugged into a virtual bus, their
// streams captured. Pauses are recorded with the number of reports the unit
// had received, instead of being waited through.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "hid/platform/virtual_bus.h"
#include "sim/simulated_unit.h"
#include "tests/support/recording_link.h"

namespace ombrel::test {

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
};

class CliFixture : public testing::Test {
 protected:
  sim::SimulatedUnit& PlugUnit(const std::string& product = "Pendra DUO", const std::string& serial = "PD42") {
    sim::UnitModelConfig config;
    config.productName = product;
    config.serialNumber = serial;
    units.push_back(std::make_unique<sim::SimulatedUnit>(*bus, config));
    return *units.back();
  }

  // The environment every command of Run gets.
  cli::UnitEnvironment Environment() {
    cli::UnitEnvironment env;
    env.platform = bus;
    env.pause = [this](unsigned ms) {
      std::size_t written = 0;
      for (const auto& unit : units) written += unit->Model().OutputReportCount();
      pauses.push_back({ms, written});
    };
    env.answerLimit = answerLimit;
    env.scanLimit = scanLimit;
    env.interrupted = interrupted;
    return env;
  }

  CliRun Run(std::vector<std::string> args, const std::string& input = {}) {
    std::istringstream in(input);
    std::ostringstream out, err;
    CliRun run;
    run.code = cli::RunCli(args, in, out, err, [this](bool) { return Environment(); });
    run.out = out.str();
    run.err = err.str();
    return run;
  }

  // A file in the test's temporary directory.
  std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::shared_ptr<platform::VirtualHidBus> bus = std::make_shared<platform::VirtualHidBus>();
  std::vector<std::unique_ptr<sim::SimulatedUnit>> units;
  std::vector<PauseMark> pauses;
  std::chrono::milliseconds answerLimit{1000};
  std::chrono::milliseconds scanLimit{10000};
  std::function<bool()> interrupted;
};

}  // namespace ombrel::test
