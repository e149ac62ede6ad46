// `--demo`: the demo's simulated Pendra DUO on a virtual bus, its network
// moving on while a command waits.
#pragma once

#include "cli/unit_environment.h"

namespace ombrel::cli {

UnitEnvironment DemoEnvironment();

}  // namespace ombrel::cli
