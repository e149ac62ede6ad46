// ombrel-cli's commands on simulated units plugged into a virtual bus, their
// streams captured. Pauses are recorded with the number of reports the unit
// had received, instead of being waited through.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "hid/platform/virtual_bus.h"
#include "sim/simulated_unit.h"
#include "tests/support/recording_link.h"

namespace ombrel::test {

// Output that takes nothing, as a full disk does.
class FullBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

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

  // A "Pendra" the system lists but this user may not open for writing.
  std::shared_ptr<platform::VirtualHidDevice> PlugLockedUnit(const std::u16string& serial = u"PD77") {
    platform::VirtualHidDeviceSetup setup;
    setup.Product = u"Pendra";
    setup.SerialNumber = serial;
    setup.Faults.Open = platform::VirtualOpen::WithoutAccessOnly;
    return bus->Plug(setup);
  }

  // Lets the unit's first `count` answers through and drops the rest.
  static void AnswerOnly(sim::SimulatedUnit& unit, int count) {
    auto left = std::make_shared<std::atomic<int>>(count);
    unit.Model().SetAnswerSink([&unit, left](std::span<const std::uint8_t> report) {
      if (left->fetch_sub(1) > 0) unit.Device().PushInputReport({report.begin(), report.end()});
    });
  }

  // The environment every command of Run gets.
  cli::UnitEnvironment Environment() {
    cli::UnitEnvironment env;
    env.platform = bus;
    env.pause = [this](unsigned ms) {
      // --all pauses on several threads at once.
      std::lock_guard lock(pausesLock);
      std::size_t written = 0;
      for (const auto& unit : units) written += unit->Model().OutputReportCount();
      pauses.push_back({ms, written});
    };
    env.answerLimit = answerLimit;
    env.scanLimit = scanLimit;
    env.interrupted = interrupted;
    env.terminal = terminal;
    return env;
  }

  CliRun Run(std::vector<std::string> args, const std::string& input = {}) {
    std::istringstream in(input);
    if (inputClosed) in.setstate(std::ios::badbit);
    std::ostringstream out, err;
    FullBuffer full;
    std::ostream fullOut(&full);
    CliRun run;
    run.code = cli::RunCli(args, in, outputFull ? fullOut : out, err, [this](const cli::DemoOptions&) { return Environment(); });
    run.out = out.str();
    run.err = err.str();
    return run;
  }

  // A file of this test's own in the temporary directory: tests running
  // side by side never share one.
  std::string WriteFile(const std::string& name, const std::string& text) {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string own = std::string(test->test_suite_name()) + "." + test->name() + "." + name;
    std::replace(own.begin(), own.end(), '/', '_');
    const std::string path = testing::TempDir() + own;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::shared_ptr<platform::VirtualHidBus> bus = std::make_shared<platform::VirtualHidBus>();
  std::vector<std::unique_ptr<sim::SimulatedUnit>> units;
  std::vector<PauseMark> pauses;
  std::mutex pausesLock;
  std::chrono::milliseconds answerLimit{1000};
  std::chrono::milliseconds scanLimit{10000};
  std::function<bool()> interrupted;
  bool terminal = false;     // a person at a terminal could answer
  bool inputClosed = false;  // standard input cannot be read
  bool outputFull = false;   // standard output takes nothing
};

}  // namespace ombrel::test
