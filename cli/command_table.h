// The commands of ombrel-cli as data: what each takes, its help page, and
// the nearest name for a mistyped one. The parser, `--help`, `help COMMAND`
// and the manual page's exit-status table all come from here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ombrel::cli {

// The options a command may take, beyond --demo and --help.
enum Option : unsigned {
  kOptUnit = 1u << 0,
  kOptJson = 1u << 1,
  kOptWatch = 1u << 2,
  kOptYes = 1u << 3,
  kOptNoVerify = 1u << 4,
  kOptSerial = 1u << 5,
  kOptSet = 1u << 6,
  kOptRedact = 1u << 7,
  kOptAll = 1u << 8,
  kOptOutputDir = 1u << 9,
  kOptLog = 1u << 10,
};

// Every option above, for walking them.
inline constexpr Option kCommandOptions[] = {kOptUnit, kOptSerial,    kOptJson, kOptWatch,     kOptYes,
                                             kOptNoVerify, kOptSet, kOptRedact, kOptAll, kOptOutputDir, kOptLog};

// The options that take a value (--set KEY=VALUE or --set=KEY=VALUE).
inline constexpr Option kValueOptions[] = {kOptSet, kOptOutputDir, kOptLog};

struct CommandInfo {
  std::string_view name;
  std::string_view operand;  // "FILE|-", "[COMMAND]" or empty
  bool operandRequired = false;
  bool manyOperands = false;  // the operand may be given more than once
  unsigned options = 0;
  bool usesUnit = true;
  std::string_view summary;  // one line of the overview
  std::string_view details;  // the help page's text, lines of at most 78
  std::string_view exitStatus;
};

std::span<const CommandInfo> Commands();
const CommandInfo* FindCommand(std::string_view name);

// The option as written on the command line ("--unit").
std::string_view OptionName(Option option);

// The known word nearest to `word` when it is a plausible typing mistake.
std::optional<std::string_view> Nearest(std::string_view word, std::span<const std::string_view> known);
std::optional<std::string_view> NearestCommand(std::string_view word);
std::optional<std::string_view> NearestOption(std::string_view word);

// `ombrel-cli --help` and `ombrel-cli help COMMAND`.
std::string OverviewHelp();
std::string CommandHelp(const CommandInfo& command);

// The exit statuses of every command, one table.
std::string ExitStatusTable();

}  // namespace ombrel::cli
