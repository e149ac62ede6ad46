// The simulated unit of the demo, of the window's pictures and of
// `ombrel-cli --demo`: a "Pendra DUO" set up at home as a master joining the
// house's router, with a few networks in reach.
#pragma once

#include <chrono>
#include <optional>

#include "sim/unit_model.h"

namespace ombrel::sim {

UnitModelConfig DemoUnitConfig();
void ConfigureDemoUnit(UnitModel& unit);

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

 private:
  UnitModel& unit_;
  int seenTransfers_;
  std::optional<Clock::time_point> connectAt_;
};

}  // namespace ombrel::sim
