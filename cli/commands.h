// The commands of ombrel-cli. Each takes its arguments and the streams it
// speaks on and returns the exit status (see exit_codes.h); main only parses
// the command line and picks one.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "cli/unit_environment.h"

namespace ombrel::cli {

int ListCommand(const UnitEnvironment& env, std::ostream& out, std::ostream& err);

// The read-back walk, printed as INI or JSON.
int ReadCommand(const UnitEnvironment& env, std::optional<int> unit, bool json, std::ostream& out,
                std::ostream& err);

// Uploads a settings file; "-" reads `in`. The whole file is checked before
// the first write.
int WriteCommand(const UnitEnvironment& env, std::string_view fileName, std::istream& in,
                 std::optional<int> unit, std::ostream& out, std::ostream& err);

// The connection states and the filter run time; with `watch` once a second
// until env.interrupted() holds.
int StatusCommand(const UnitEnvironment& env, std::optional<int> unit, bool watch, std::ostream& out,
                  std::ostream& err);

int ScanCommand(const UnitEnvironment& env, std::optional<int> unit, std::ostream& out, std::ostream& err);

int ResetFilterCommand(const UnitEnvironment& env, std::optional<int> unit, std::ostream& out,
                       std::ostream& err);

// Restores the factory settings and prints the read-back that follows.
int RestoreDefaultsCommand(const UnitEnvironment& env, std::optional<int> unit, bool json, std::ostream& out,
                           std::ostream& err);

std::string HelpText();
std::string VersionText();

}  // namespace ombrel::cli
