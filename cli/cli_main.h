// The command line of ombrel-cli: parses it and runs the command it names.
#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <string>

#include "cli/unit_environment.h"

namespace ombrel::cli {

inline constexpr int kMaxDemoUnits = 8;

// What --demo asked for: simulated units instead of the units on USB.
struct DemoOptions {
  bool on = false;
  int units = 1;       // --units N: how many simulated units are plugged in
  bool reset = false;  // --reset: the simulated units start from their factory state
  std::string statePath;  // where the units are kept between runs; empty: the user's default place
};

// Makes the environment a command runs in: the units on USB, or the
// simulated ones. Called only for a command that needs units.
using EnvironmentFactory = std::function<UnitEnvironment(const DemoOptions& demo)>;

// `args` without the program's name. Returns the exit status.
int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out, std::ostream& err,
           const EnvironmentFactory& environment);

}  // namespace ombrel::cli
