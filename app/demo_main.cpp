// ombrel-demo: the program with a simulated "Pendra DUO" on a virtual HID
// bus instead of the system's devices, for trying it out without a unit.

#include "app/guarded_application.h"
#include "app/program_start.h"
#include "hid/platform/virtual_bus.h"
#include "sim/simulated_unit.h"

namespace {

// A unit that was set up at home: a master joining the house's router.
void ConfigureDemoUnit(ombrel::sim::UnitModel& unit) {
  unit.SetByte(Param_Device_mode, 1);
  unit.SetByte(Param_Type_of_connection, 1);
  unit.SetText(Param_Wi_Fi_name, "Birchwood-Home");
  unit.SetText(Param_Wi_Fi_password, "mossy-fern-42");
  unit.SetAddress(Param_IP_Master, {192, 168, 1, 50});
  unit.SetAddress(Param_Gateway, {192, 168, 1, 254});
  unit.SetByte(Param_Wi_Fi_channel, 6);
  unit.SetByte(Param_Security_Wi_Fi, '3');
  unit.SetByte(Param_Direction_DUO, 0);
  unit.SetByte(Param_Humidity_sensor_threshold, 60);
  unit.SetByte(Param_External_sensor2_threshold, 75);
  unit.SetByte(Param_External_sensor1, 0);
  unit.SetSeconds(Param_Timer_after_reacting_any_sensor, 15 * 60);
  unit.SetSeconds(Param_Timer_night_mode, 7 * 3600 + 30 * 60);
  unit.SetSeconds(Param_Timer_party_mode, 2 * 3600);
  unit.SetFilterRunSeconds(41 * 86400 + 5 * 3600 + 17 * 60);
}

}  // namespace

int main(int argc, char* argv[]) {
  GuardedApplication app(argc, argv);
  PrepareApplication(app);

  auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  ombrel::sim::UnitModelConfig config;
  config.productName = ombrel::sim::kModelPendraDuo;
  config.serialNumber = "PD2407311";
  config.answerDelay = std::chrono::milliseconds(2);
  ombrel::sim::SimulatedUnit unit(*bus, config);
  ConfigureDemoUnit(unit.Model());

  return RunProgram(app, bus);
}
