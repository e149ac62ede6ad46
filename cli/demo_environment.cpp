#include "cli/demo_environment.h"

#include "hid/platform/virtual_bus.h"
#include "sim/demo_unit.h"
#include "sim/simulated_unit.h"

namespace ombrel::cli {
namespace {

struct DemoBench {
  std::shared_ptr<platform::VirtualHidBus> bus = std::make_shared<platform::VirtualHidBus>();
  sim::SimulatedUnit unit{*bus, sim::DemoUnitConfig()};
  sim::DemoNetwork network{unit.Model()};

  DemoBench() { sim::ConfigureDemoUnit(unit.Model()); }
};

}  // namespace

UnitEnvironment DemoEnvironment(const DemoOptions&) {
  // Shared by the environment's copies; the last one lets the unit go.
  auto bench = std::make_shared<DemoBench>();
  UnitEnvironment env;
  env.platform = std::shared_ptr<platform::HidPlatform>(bench, bench->bus.get());
  env.background = [bench] { bench->network.Step(sim::DemoNetwork::Clock::now()); };
  env.simulated = true;
  return env;
}

}  // namespace ombrel::cli
