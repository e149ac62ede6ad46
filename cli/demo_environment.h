// `--demo`: the demo's simulated Pendra DUO on a virtual bus, its network
// moving on while a command waits.
#pragma once

#include "cli/cli_main.h"
#include "cli/unit_environment.h"

namespace ombrel::cli {

UnitEnvironment DemoEnvironment(const DemoOptions& options = {});

}  // namespace ombrel::cli
