#pragma once

#include <QTimer>

#include "sim/demo_unit.h"

// The demo unit's network on the window's event loop: a timer moves its time
// on four times a second.
class DemoNetworkTimer {
 public:
  explicit DemoNetworkTimer(ombrel::sim::UnitModel& unit);

 private:
  ombrel::sim::DemoNetwork network_;
  QTimer timer_;
};
