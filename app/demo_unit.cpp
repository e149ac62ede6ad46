#include "app/demo_unit.h"

#include <chrono>

DemoNetworkTimer::DemoNetworkTimer(ombrel::sim::UnitModel& unit) : network_(unit) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { network_.Step(std::chrono::steady_clock::now()); });
  timer_.start(250);
}
