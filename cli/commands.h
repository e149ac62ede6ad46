// The commands of ombrel-cli. Each takes its arguments and the streams it
// speaks on and returns the exit status (see exit_codes.h); main only parses
// the command line and picks one.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/unit_environment.h"

namespace ombrel::cli {
class UnitSession;
struct SettingsRecord;
}  // namespace ombrel::cli

namespace ombrel::cli {

// What the command line asked of a command beyond its name.
struct Invocation {
  UnitChoice unit;
  std::string file;  // write, check, diff: a settings file, "-" for standard input
  bool json = false;
  bool watch = false;
  bool yes = false;
  bool verify = true;
  // --redact: read prints no password; a write of such a file keeps the
  // unit's own.
  bool redact = false;
  // --set SECTION.KEY=VALUE (and the words of `set`), in the order given.
  std::vector<std::string> sets;
  // --all: every unit listed, at the same time.
  bool all = false;
  std::string outputDir;  // --output-dir: read --all writes a file per unit there
  std::string logPath;    // --log: one JSON line per unit written to
};

// The streams a command speaks on.
struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

int ListCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

// The read-back walk, printed as INI or JSON.
int ReadCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

// Uploads a settings file. The whole file is checked before the first
// write; unless told not to, the unit is read back afterwards and every
// value sent compared with what it holds.
int WriteCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

// Sends a checked record's sections to the chosen unit as the window's
// Apply/Save would (Ctrl-C between sections), then with `verify` reads the
// unit back and compares every value sent.
int WriteRecord(UnitSession& session, const SettingsRecord& record, bool verify, std::ostream& out,
                std::ostream& err);

// Changes the keys given in `sets` (SECTION.KEY=VALUE) of the unit's
// settings as read back, checked as a file's values, and writes the
// sections they belong to as WriteRecord does. A Wi-Fi key the unit's mode
// (after the changes) does not send is refused, and nothing is written.
int SetCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

// Checks a settings file as WriteCommand does, without a unit.
int CheckCommand(const Invocation& how, Streams io);

// Prints where the unit's settings differ from the file's: exit 0 when
// they do not, 1 when they do, 2 on trouble.
int DiffCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

// The connection states and the filter run time; with `watch` once a second
// until env.interrupted() holds.
int StatusCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

int ScanCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

int ResetFilterCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

// Restores the factory settings and prints the read-back that follows.
// Asks on a terminal (answer from `in`); without one only with `yes`.
int RestoreDefaultsCommand(const UnitEnvironment& env, const Invocation& how, Streams io);

std::string VersionText();
// The settings file's form and keys, for --help.
std::string SettingsFileHelp();

}  // namespace ombrel::cli
