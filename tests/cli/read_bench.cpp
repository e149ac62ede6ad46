// How long `ombrel-cli read` takes on an answering simulated unit: the walk's
// 22 requests, each after its answer's 1 ms pause, over the virtual bus with
// its readers and hand-overs. The pauses are real, as in the program.
#include <benchmark/benchmark.h>

#include <sstream>

#include "cli/commands.h"
#include "hid/platform/virtual_bus.h"
#include "sim/simulated_unit.h"

namespace {

void BM_ReadOnAnsweringUnit(benchmark::State& state) {
  auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  ombrel::sim::SimulatedUnit unit(*bus);
  ombrel::cli::UnitEnvironment env;
  env.platform = bus;
  std::istringstream in;
  for (auto _ : state) {
    std::ostringstream out, err;
    const int code = ombrel::cli::ReadCommand(env, {}, {in, out, err});
    if (code != 0) state.SkipWithError(err.str().c_str());
    benchmark::DoNotOptimize(out.str());
  }
}
BENCHMARK(BM_ReadOnAnsweringUnit)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
