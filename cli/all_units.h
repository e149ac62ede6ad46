// --all: one command on every unit listed, each unit in a thread of its own,
// so the units' pauses overlap instead of adding up; then one result per
// unit and a summary.
#pragma once

#include <functional>

#include "cli/command_table.h"
#include "cli/commands.h"

namespace ombrel::cli {

using UnitCommand = std::function<int(const UnitEnvironment&, const Invocation&, Streams)>;

// Runs `command` once per unit, at the same time. The exit status is the
// worst of the units' (the highest).
int RunOnAllUnits(const CommandInfo& info, const UnitEnvironment& env, const Invocation& how, Streams io,
                  const UnitCommand& command);

}  // namespace ombrel::cli
