#include "cli/demo_environment.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

#include "hid/platform/virtual_bus.h"
#include "sim/demo_unit.h"
#include "sim/simulated_unit.h"
#include "sim/unit_state.h"
#include "sim/unit_state_file.h"

namespace ombrel::cli {
namespace {

struct DemoUnit {
  sim::SimulatedUnit unit;
  sim::DemoNetwork network;

  DemoUnit(platform::VirtualHidBus& bus, int number)
      : unit(bus, sim::DemoUnitConfig(number)), network(unit.Model()) {
    sim::ConfigureDemoUnit(unit.Model(), number);
  }
};

// What the saved units say, or nothing to go on.
sim::SavedUnits LoadSaved(const std::filesystem::path& path) {
  if (path.empty()) return {};
  const auto text = sim::ReadStateFile(path);
  if (!text) return {};
  return sim::ParseSavedUnits(*text).value_or(sim::SavedUnits{});
}

class DemoBench {
 public:
  explicit DemoBench(const DemoOptions& options) {
    if (options.on) {
      statePath_ = options.statePath.empty() ? sim::DefaultDemoStatePath() : std::filesystem::path(options.statePath);
    }
    const sim::SavedUnits saved = options.reset ? sim::SavedUnits{} : LoadSaved(statePath_);
    const int count = std::clamp(options.units, 1, kMaxDemoUnits);
    for (int number = 1; number <= count; ++number) {
      auto& demo = units_.emplace_back(std::make_unique<DemoUnit>(*bus_, number));
      sim::UnitModel& model = demo->unit.Model();
      if (const auto it = saved.find(model.SerialNumber()); it != saved.end()) sim::RestoreUnit(model, it->second);
      demo->network.Settle();
    }
    // --reset forgets the units not plugged in this time as well.
    forgetOthers_ = options.reset;
  }

  // The units are kept as they are left. Nothing here may throw: this runs
  // as the command's environment goes, its result already decided.
  ~DemoBench() {
    if (statePath_.empty()) return;
    try {
      Save();
    } catch (...) {
      // The state is a convenience: a run that cannot keep it still stands.
    }
  }

  DemoBench(const DemoBench&) = delete;
  DemoBench& operator=(const DemoBench&) = delete;

  const std::shared_ptr<platform::VirtualHidBus>& Bus() const { return bus_; }

  // Commands on several units at once call this from their own threads.
  void Step() {
    std::lock_guard lock(stepping_);
    const auto now = sim::DemoNetwork::Clock::now();
    for (const auto& demo : units_) demo->network.Step(now);
  }

 private:
  void Save() {
    // Read again now: a run beside this one may have kept units this one
    // does not have.
    sim::SavedUnits saved = forgetOthers_ ? sim::SavedUnits{} : LoadSaved(statePath_);
    for (const auto& demo : units_) {
      saved[demo->unit.Model().SerialNumber()] = sim::SaveUnit(demo->unit.Model());
    }
    sim::ReplaceStateFile(statePath_, sim::FormatSavedUnits(saved));
  }

  std::shared_ptr<platform::VirtualHidBus> bus_ = std::make_shared<platform::VirtualHidBus>();
  // After the bus, so they are unplugged before it goes.
  std::vector<std::unique_ptr<DemoUnit>> units_;
  std::mutex stepping_;
  std::filesystem::path statePath_;
  bool forgetOthers_ = false;
};

}  // namespace

UnitEnvironment DemoEnvironment(const DemoOptions& options) {
  // Shared by the environment's copies; the last one lets the units go.
  auto bench = std::make_shared<DemoBench>(options);
  UnitEnvironment env;
  env.platform = std::shared_ptr<platform::HidPlatform>(bench, bench->Bus().get());
  env.background = [bench] { bench->Step(); };
  env.simulated = true;
  return env;
}

}  // namespace ombrel::cli
