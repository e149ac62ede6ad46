// write --all on 1, 2, 4 and 8 simulated units, with the pauses of the
// window's uploads really waited through: the units run side by side, so
// more units should take little more time than one.
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <vector>

#include "cli/cli_main.h"
#include "hid/platform/virtual_bus.h"
#include "sim/simulated_unit.h"

namespace {

void BM_WriteAll(benchmark::State& state) {
  auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  std::vector<std::unique_ptr<ombrel::sim::SimulatedUnit>> units;
  for (int i = 0; i < state.range(0); ++i) {
    ombrel::sim::UnitModelConfig config;
    config.productName = "Pendra DUO";
    config.serialNumber = "PD" + std::to_string(100 + i);
    units.push_back(std::make_unique<ombrel::sim::SimulatedUnit>(*bus, config));
  }
  const auto environment = [&](const ombrel::cli::DemoOptions&) {
    ombrel::cli::UnitEnvironment env;
    env.platform = bus;  // no pause function: the pauses are slept
    return env;
  };
  const auto run = [&](std::vector<std::string> args, const std::string& input, std::string* output) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = ombrel::cli::RunCli(args, in, out, err, environment);
    if (output) *output = out.str();
    if (code != 0) state.SkipWithError(err.str().c_str());
    return code == 0;
  };
  std::string file;
  if (!run({"read", "--unit", "1"}, {}, &file)) return;
  for (auto _ : state) {
    if (!run({"write", "--all", "-"}, file, nullptr)) return;
  }
  state.counters["units"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_WriteAll)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
