#include "cli/cli_main.h"

#include <charconv>
#include <optional>
#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"

namespace ombrel::cli {
namespace {

struct Arguments {
  std::string command;
  std::vector<std::string> operands;
  std::optional<int> unit;
  bool json = false;
  bool watch = false;
  bool demo = false;
  bool help = false;
  bool version = false;
};

std::optional<int> UnitNumber(std::string_view text) {
  int n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < 1) return std::nullopt;
  return n;
}

// Empty after saying what is wrong on `err`.
std::optional<Arguments> Parse(std::span<const std::string> args, std::ostream& err) {
  Arguments a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      a.help = true;
    } else if (arg == "--version") {
      a.version = true;
    } else if (arg == "--json") {
      a.json = true;
    } else if (arg == "--watch") {
      a.watch = true;
    } else if (arg == "--demo") {
      a.demo = true;
    } else if (arg == "--unit" || arg.starts_with("--unit=")) {
      std::string value;
      if (arg == "--unit") {
        if (i + 1 >= args.size()) {
          err << kProgram << "--unit takes a unit number\n";
          return std::nullopt;
        }
        value = args[++i];
      } else {
        value = arg.substr(7);
      }
      a.unit = UnitNumber(value);
      if (!a.unit) {
        err << kProgram << "--unit takes a unit number from 1 on, not '" << value << "'\n";
        return std::nullopt;
      }
    } else if (arg.size() > 1 && arg.front() == '-') {
      err << kProgram << "unknown option '" << arg << "' (see ombrel-cli --help)\n";
      return std::nullopt;
    } else if (a.command.empty()) {
      a.command = arg;
    } else {
      a.operands.push_back(arg);
    }
  }
  return a;
}

}  // namespace

int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out, std::ostream& err,
           const EnvironmentFactory& environment) {
  const auto parsed = Parse(args, err);
  if (!parsed) return kExitBadInput;
  const Arguments& a = *parsed;
  if (a.help) {
    out << HelpText();
    return kExitOk;
  }
  if (a.version) {
    out << VersionText() << "\n";
    return kExitOk;
  }
  if (a.command.empty()) {
    err << kProgram << "no command given\n" << HelpText();
    return kExitBadInput;
  }

  const std::string& c = a.command;
  const bool known = c == "list" || c == "read" || c == "write" || c == "status" || c == "scan" ||
                     c == "reset-filter" || c == "restore-defaults";
  if (!known) {
    err << kProgram << "unknown command '" << c << "' (see ombrel-cli --help)\n";
    return kExitBadInput;
  }
  const std::size_t operands = c == "write" ? 1 : 0;
  if (a.operands.size() != operands) {
    err << kProgram << (operands ? "write takes one settings file (or - for standard input)"
                                 : c + " takes no file or other word")
        << "\n";
    return kExitBadInput;
  }
  if (a.json && c != "read" && c != "restore-defaults") {
    err << kProgram << "--json goes with read and restore-defaults\n";
    return kExitBadInput;
  }
  if (a.watch && c != "status") {
    err << kProgram << "--watch goes with status\n";
    return kExitBadInput;
  }
  if (a.unit && c == "list") {
    err << kProgram << "list shows every unit; --unit goes with the other commands\n";
    return kExitBadInput;
  }

  const UnitEnvironment env = environment(a.demo);
  if (c == "list") return ListCommand(env, out, err);
  if (c == "read") return ReadCommand(env, a.unit, a.json, out, err);
  if (c == "write") return WriteCommand(env, a.operands.front(), in, a.unit, out, err);
  if (c == "status") return StatusCommand(env, a.unit, a.watch, out, err);
  if (c == "scan") return ScanCommand(env, a.unit, out, err);
  if (c == "reset-filter") return ResetFilterCommand(env, a.unit, out, err);
  return RestoreDefaultsCommand(env, a.unit, a.json, out, err);
}

}  // namespace ombrel::cli
