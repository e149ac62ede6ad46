// `--demo`: simulated units on a virtual bus, their networks moving on
// while a command waits. With `options.on` (as `--demo` gives) they keep
// their settings from one run to the next in a state file: read when the
// environment is made, written when its last copy goes. Without it they
// start as the demo sets them up and nothing is kept.
#pragma once

#include "cli/cli_main.h"
#include "cli/unit_environment.h"

namespace ombrel::cli {

UnitEnvironment DemoEnvironment(const DemoOptions& options = {});

}  // namespace ombrel::cli
