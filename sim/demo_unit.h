// The simulated units of the demo, of the window's pictures and of
// `ombrel-cli --demo`. Unit 1 is a "Pendra DUO" set up at home as a master
// joining the house's router, with a few networks in reach; the units
// after it (`--demo --units N`) are fresh from the factory in the same
// house, every other one a plain "Pendra".
#pragma once

#include <chrono>
#include <optional>

#include "sim/unit_model.h"

namespace ombrel::sim {

inline constexpr int kFirstDemoUnit = 1;

// `number` from 1 on: each unit has a serial number of its own.
UnitModelConfig DemoUnitConfig(int number = kFirstDemoUnit);
// Unit 1 gets its home settings; every unit's filter runs in real time.
void ConfigureDemoUnit(UnitModel& unit, int number = kFirstDemoUnit);

// The unit's network as the demo plays it: after each Wi-Fi upload the
// module restarts disconnected; a few seconds later it has joined the
// router (when it uses one) and, as a slave, found its master. Time comes
// in through Step, which the owner calls every so often (a quarter second
// is plenty).
class DemoNetwork {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kReconnectTime{4};

  explicit DemoNetwork(UnitModel& unit);

  void Step(Clock::time_point now);
  // The connection states the stored settings lead to once the module has
  // long since joined: for a unit whose settings were put back rather than
  // uploaded.
  void Settle();

 private:
  UnitModel& unit_;
  int seenTransfers_;
  std::optional<Clock::time_point> connectAt_;
};

}  // namespace ombrel::sim
