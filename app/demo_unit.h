#pragma once

#include <QTimer>

#include <chrono>
#include <optional>

#include "sim/unit_model.h"

// The simulated unit of the demo and of the window's pictures: a "Pendra DUO"
// set up at home as a master joining the house's router, with a few
// networks in reach.
ombrel::sim::UnitModelConfig DemoUnitConfig();
void ConfigureDemoUnit(ombrel::sim::UnitModel& unit);

// The unit's network as the demo plays it: after each Wi-Fi upload the
// module restarts disconnected; a few seconds later it has joined the
// router (when it uses one) and, as a slave, found its master.
class DemoNetwork {
 public:
  explicit DemoNetwork(ombrel::sim::UnitModel& unit);

 private:
  void Step();

  ombrel::sim::UnitModel& unit_;
  int seenTransfers_;
  std::optional<std::chrono::steady_clock::time_point> connectAt_;
  QTimer timer_;
};
