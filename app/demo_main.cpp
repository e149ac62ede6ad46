// ombrel-demo: the program with a simulated "Pendra DUO" on a virtual HID
// bus instead of the system's devices, for trying it out without a unit.
// It keeps a single-copy lock and a language setting of its own, so it runs
// beside the program and never changes the program's language.

#include "app/demo_unit.h"
#include "app/guarded_application.h"
#include "app/program_start.h"
#include "hid/platform/virtual_bus.h"
#include "sim/simulated_unit.h"

int main(int argc, char* argv[]) {
  GuardedApplication app(argc, argv);
  PrepareApplication(app);

  auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  ombrel::sim::SimulatedUnit unit(*bus, ombrel::sim::DemoUnitConfig());
  ombrel::sim::ConfigureDemoUnit(unit.Model());
  DemoNetworkTimer network(unit.Model());

  return RunProgram(app, bus, MakeNativeStartupServices(kDemoProgramNames));
}
