// The command line of ombrel-cli: parses it and runs the command it names.
#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <string>

#include "cli/unit_environment.h"

namespace ombrel::cli {

// Makes the environment a command runs in: the units on USB, or with
// `demo` a simulated unit. Called only for a command that needs units.
using EnvironmentFactory = std::function<UnitEnvironment(bool demo)>;

// `args` without the program's name. Returns the exit status.
int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out, std::ostream& err,
           const EnvironmentFactory& environment);

}  // namespace ombrel::cli
