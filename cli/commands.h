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
int ReadCommand(const UnitEnvironment& env, const UnitChoice& unit, bool json, std::ostream& out,
                std::ostream& err);

// Uploads a settings file; "-" reads `in`. The whole file is checked before
// the first write; with `verify` the unit is read back afterwards and every
// value sent compared with what it holds.
int WriteCommand(const UnitEnvironment& env, std::string_view fileName, std::istream& in,
                 const UnitChoice& unit, bool verify, std::ostream& out, std::ostream& err);

// Checks a settings file as WriteCommand does, without a unit.
int CheckCommand(std::string_view fileName, std::istream& in, std::ostream& out, std::ostream& err);

// Prints where the unit's settings differ from the file's: exit 0 when
// they do not, 1 when they do, 2 on trouble.
int DiffCommand(const UnitEnvironment& env, std::string_view fileName, std::istream& in,
                const UnitChoice& unit, std::ostream& out, std::ostream& err);

// The connection states and the filter run time; with `watch` once a second
// until env.interrupted() holds.
int StatusCommand(const UnitEnvironment& env, const UnitChoice& unit, bool watch, std::ostream& out,
                  std::ostream& err);

int ScanCommand(const UnitEnvironment& env, const UnitChoice& unit, std::ostream& out, std::ostream& err);

int ResetFilterCommand(const UnitEnvironment& env, const UnitChoice& unit, std::ostream& out,
                       std::ostream& err);

// Restores the factory settings and prints the read-back that follows.
// Asks on a terminal (answer from `in`); without one only with `yes`.
int RestoreDefaultsCommand(const UnitEnvironment& env, const UnitChoice& unit, bool json, bool yes,
                           std::istream& in, std::ostream& out, std::ostream& err);

std::string VersionText();
// The settings file's form and keys, for --help.
std::string SettingsFileHelp();

}  // namespace ombrel::cli
