#include "cli/cli_main.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <charconv>
#include <cstring>
#include <optional>
#include <ostream>

#include "cli/all_units.h"
#include "cli/command_support.h"
#include "cli/commissioning_log.h"
#include "cli/settings_syntax.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"

namespace ombrel::cli {
namespace {

struct Arguments {
  const CommandInfo* command = nullptr;
  std::vector<std::string> operands;
  UnitChoice unit;
  unsigned given = 0;  // the command options given, as Option bits
  DemoOptions demo;
  std::vector<std::string> sets;
  std::string outputDir, logPath;
  bool help = false;
  bool version = false;
};

std::optional<int> UnitNumber(std::string_view text) {
  int n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < 1) return std::nullopt;
  return n;
}

std::string SeeHelp(const Arguments& a) {
  return a.command ? " (see ombrel-cli help " + std::string(a.command->name) + ")" : " (see ombrel-cli --help)";
}

// A value option as given: "--log" or "--log=FILE".
std::optional<Option> ValueOption(std::string_view arg) {
  for (Option o : kValueOptions) {
    const std::string_view name = OptionName(o);
    if (arg == name || (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=')) return o;
  }
  return std::nullopt;
}

std::optional<Option> CommandOption(std::string_view arg) {
  for (Option o : kCommandOptions)
    if (OptionName(o) == arg) return o;
  return std::nullopt;
}

// Empty after saying what is wrong on `err`.
std::optional<Arguments> Parse(std::span<const std::string> args, std::ostream& err) {
  Arguments a;
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg.front() != '-') {
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      a.help = true;
    } else if (arg == "--version") {
      a.version = true;
    } else if (arg == "--demo") {
      a.demo.on = true;
    } else if (arg == "--reset") {
      a.demo.reset = true;
    } else if (arg == "--units" || arg.starts_with("--units=")) {
      const std::string value = arg == "--units" ? (i + 1 < args.size() ? args[++i] : std::string()) : arg.substr(8);
      const auto n = UnitNumber(value);
      if (!n || *n > kMaxDemoUnits) {
        err << kProgram << "--units takes a number of simulated units from 1 to " << kMaxDemoUnits << ", not "
            << Quoted(value) << "\n";
        return std::nullopt;
      }
      a.demo.units = *n;
    } else if (const auto valued = ValueOption(arg)) {
      const std::string_view name = OptionName(*valued);
      std::string value;
      if (arg == name) {
        if (i + 1 >= args.size()) {
          err << kProgram << name << " takes a value\n";
          return std::nullopt;
        }
        value = args[++i];
      } else {
        value = arg.substr(name.size() + 1);
      }
      if (*valued == kOptSet) {
        a.sets.push_back(value);
      } else {
        std::string& slot = *valued == kOptLog ? a.logPath : a.outputDir;
        if (!slot.empty()) {
          err << kProgram << name << " is given twice\n";
          return std::nullopt;
        }
        if (value.empty()) {
          err << kProgram << name << " takes a path, not an empty word\n";
          return std::nullopt;
        }
        slot = value;
      }
      a.given |= *valued;
    } else if (arg == "--unit" || arg.starts_with("--unit=") || arg == "--serial" || arg.starts_with("--serial=")) {
      // One command talks to one unit, named one way.
      const bool bySerial = arg.starts_with("--serial");
      const std::string_view name = bySerial ? "--serial" : "--unit";
      if (a.unit.number || a.unit.serial) {
        const bool again = a.unit.serial.has_value() == bySerial;
        err << kProgram << (again ? std::string(name) + " is given twice" : "--unit and --serial are both given")
            << ": one command talks to one unit\n";
        return std::nullopt;
      }
      std::string value;
      if (arg == name) {
        if (i + 1 >= args.size()) {
          err << kProgram << name << (bySerial ? " takes a serial number\n" : " takes a unit number\n");
          return std::nullopt;
        }
        value = args[++i];
      } else {
        value = arg.substr(name.size() + 1);
      }
      if (bySerial) {
        if (value.empty()) {
          err << kProgram << "--serial takes a serial number, not an empty word\n";
          return std::nullopt;
        }
        a.unit = UnitChoice::Serial(value);
        a.given |= kOptSerial;
        continue;
      }
      a.unit = UnitNumber(value);
      if (!a.unit.number) {
        err << kProgram << "--unit takes a unit number from 1 on, not " << Quoted(value) << "\n";
        return std::nullopt;
      }
      a.given |= kOptUnit;
    } else if (const auto option = CommandOption(arg)) {
      a.given |= *option;
    } else {
      err << kProgram << "unknown option " << Quoted(arg);
      if (const auto nearest = NearestOption(arg)) err << " (did you mean " << *nearest << "?)";
      else err << " (see ombrel-cli --help)";
      err << "\n";
      return std::nullopt;
    }
  }
  if (words.empty()) return a;
  a.command = FindCommand(words.front());
  if (a.command == nullptr) {
    err << kProgram << "unknown command " << Quoted(words.front());
    if (const auto nearest = NearestCommand(words.front())) err << " (did you mean " << *nearest << "?)";
    else err << " (see ombrel-cli --help)";
    err << "\n";
    return std::nullopt;
  }
  a.operands.assign(words.begin() + 1, words.end());
  return a;
}

// Empty when the command takes what it was given, else the message.
std::optional<std::string> Misfit(const Arguments& a) {
  const CommandInfo& c = *a.command;
  const std::string name(c.name);
  for (Option o : kCommandOptions) {
    // Every command's --all results may be had as JSON.
    if (o == kOptJson && (a.given & kOptAll) && (c.options & kOptAll)) continue;
    if ((a.given & o) && !(c.options & o)) {
      std::vector<std::string_view> with;
      for (const CommandInfo& other : Commands())
        if (other.options & o) with.push_back(other.name);
      return std::string(OptionName(o)) + " goes with " + Listed(with) + ", not with " + name;
    }
  }
  if ((a.given & kOptAll) && (a.unit.number || a.unit.serial)) {
    return "--all talks to every unit; it does not go with --unit or --serial";
  }
  if ((a.given & kOptOutputDir) && !(a.given & kOptAll)) return "--output-dir goes with --all";
  if ((a.demo.reset || a.demo.units != 1) && !a.demo.on) {
    return std::string(a.demo.reset ? "--reset" : "--units") + " goes with --demo";
  }
  const std::size_t most = c.operand.empty() ? 0 : c.manyOperands ? a.operands.size() : 1;
  if (a.operands.size() > most) {
    return most == 0 ? name + " takes no file or other word, not " + Quoted(a.operands[most])
                     : name + (c.name == "help" ? " takes one command" : " takes one settings file") + ", not also " +
                           Quoted(a.operands[most]);
  }
  if (c.operandRequired && a.operands.empty()) {
    return c.manyOperands ? name + " takes " + std::string(c.operand)
                          : name + " takes one settings file (or - for standard input)";
  }
  return std::nullopt;
}

UnitCommand CommandFor(std::string_view name) {
  if (name == "list") return ListCommand;
  if (name == "read") return ReadCommand;
  if (name == "write") return WriteCommand;
  if (name == "set") return SetCommand;
  if (name == "diff") return DiffCommand;
  if (name == "status") return StatusCommand;
  if (name == "scan") return ScanCommand;
  if (name == "reset-filter") return ResetFilterCommand;
  return RestoreDefaultsCommand;
}

int Run(const Arguments& a, std::istream& in, std::ostream& out, std::ostream& err,
        const EnvironmentFactory& environment) {
  if (a.version) {
    out << VersionText() << "\n";
    return kExitOk;
  }
  if (a.command == nullptr) {
    if (a.help) {
      out << OverviewHelp();
      return kExitOk;
    }
    err << kProgram << "no command given\n\n" << OverviewHelp();
    return kExitBadInput;
  }
  const CommandInfo& c = *a.command;
  if (c.name == "help" && !a.operands.empty()) {
    const CommandInfo* topic = FindCommand(a.operands.front());
    if (topic == nullptr) {
      err << kProgram << "no command " << Quoted(a.operands.front());
      if (const auto nearest = NearestCommand(a.operands.front())) err << " (did you mean " << *nearest << "?)";
      err << "\n";
      return kExitBadInput;
    }
    if (a.operands.size() > 1) {
      err << kProgram << "help takes one command\n";
      return kExitBadInput;
    }
    out << CommandHelp(*topic);
    return kExitOk;
  }
  if (a.help) {
    out << CommandHelp(c);
    return kExitOk;
  }
  if (const auto misfit = Misfit(a)) {
    err << kProgram << *misfit << SeeHelp(a) << "\n";
    return kExitBadInput;
  }
  if (c.name == "help") {
    out << OverviewHelp();
    return kExitOk;
  }
  Invocation how;
  how.unit = a.unit;
  if (c.operand == "FILE|-" && !a.operands.empty()) how.file = a.operands.front();
  how.json = a.given & kOptJson;
  how.watch = a.given & kOptWatch;
  how.yes = a.given & kOptYes;
  how.verify = !(a.given & kOptNoVerify);
  how.redact = a.given & kOptRedact;
  how.all = a.given & kOptAll;
  how.sets = a.sets;
  // set's words are changes, as --set gives them.
  if (c.name == "set") how.sets.insert(how.sets.end(), a.operands.begin(), a.operands.end());
  how.outputDir = a.outputDir;
  how.logPath = a.logPath;
  const Streams io{in, out, err};
  if (c.name == "check") return CheckCommand(how, io);

  // The log is opened before any unit is touched: a record that cannot be
  // kept stops the work it would record.
  std::shared_ptr<CommissioningLog> log;
  if (!how.logPath.empty()) {
    std::string error;
    log = CommissioningLog::Open(how.logPath, error);
    if (!log) {
      err << kProgram << error << "\n";
      return kExitBadInput;
    }
  }
  UnitEnvironment env = environment(a.demo);
  auto logLost = std::make_shared<std::atomic<bool>>(false);
  if (log) {
    env.written = [log, logLost, name = std::string(c.name)](const UnitEntry& unit, const SettingsRecord& record,
                                                             bool verify, int code) {
      if (!log->Append(name, unit, record, verify, code)) *logLost = true;
    };
  }
  const UnitCommand command = CommandFor(c.name);
  int code = how.all ? RunOnAllUnits(c, env, how, io, command) : command(env, how, io);
  if (*logLost) {
    err << kProgram << "a line could not be added to the log " << how.logPath << "\n";
    code = std::max(code, kExitOutput);
  }
  return code;
}

}  // namespace

int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out, std::ostream& err,
           const EnvironmentFactory& environment) {
  const auto parsed = Parse(args, err);
  int code = parsed ? Run(*parsed, in, out, err, environment) : kExitBadInput;
  // A backup that went to a full disk must not look made.
  errno = 0;
  out.flush();
  if (!out) {
    const int error = errno;
    err << kProgram << "cannot write the output: "
        << (error != 0 ? std::strerror(error) : "the output stream failed") << "\n";
    if (code == kExitOk) code = kExitOutput;
  }
  return code;
}

}  // namespace ombrel::cli
