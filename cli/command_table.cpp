#include "cli/command_table.h"

#include <algorithm>
#include <array>
#include <vector>

#include "cli/commands.h"

namespace ombrel::cli {
namespace {

constexpr std::string_view kUnitTrouble =
    "  2  no unit, several units without --unit, a unit that cannot be opened,\n"
    "     or one that stopped answering\n";
constexpr std::string_view kOutputTrouble = "  4  the output could not be written (a full disk, a closed pipe)\n";
constexpr std::string_view kInterrupted = "130  stopped by Ctrl-C or SIGTERM at a safe point, after saying what was done\n";

const std::array<CommandInfo, 11> kCommands{{
    {"list", "", false, false, kOptJson, true,
     "the units: number, model, serial, device, access",
     "Lists the units on USB, one line each, the fields apart by tabs: the\n"
     "number --unit takes, the model, the serial number (- when it has none),\n"
     "the device path, and read-write or why the unit cannot be opened.\n",
     "  0  at least one unit was listed\n"},
    {"read", "", false, false, kOptUnit | kOptSerial | kOptJson | kOptRedact | kOptAll | kOptOutputDir, true,
     "prints the unit's settings as a settings file",
     "Reads the unit's settings as the window's \"Receive current parameters\"\n"
     "does and prints them as a settings file that write takes back: INI, or\n"
     "JSON with the same keys with --json. Texts show the unit's bytes as the\n"
     "window does, so a name read and written back is the same byte for byte.\n"
     "--redact leaves the password out, for a file to share or keep:\n"
     "    password = (not read out) ; left out by --redact: ...\n"
     "(in JSON \"password\": {\"redacted\": true}). A write of that file sends\n"
     "the password the unit holds at the time; check and diff pass it over.\n",
     "  0  printed\n"},
    {"write", "FILE|-", true, false, kOptUnit | kOptSerial | kOptNoVerify | kOptSet | kOptAll | kOptLog, true,
     "sends a settings file to the unit, then verifies",
     "Checks the whole file first (as check does) and writes nothing when\n"
     "anything is wrong. Then sends the [wifi] section as the Wi-Fi page's\n"
     "Apply/Save would, and the [fan] section as the Fan page's. The unit\n"
     "answers no write, so afterwards write reads the settings back and\n"
     "compares every value it sent with what the unit holds (--no-verify\n"
     "skips that). Warnings (values the write does not send as written,\n"
     "characters beyond ASCII) go to standard error; the write still goes.\n"
     "FILE - reads standard input. Ctrl-C waits for the section being sent\n"
     "to end, then stops and says which sections went out.\n"
     "--set wifi.slave_number=3 (as often as needed, once for each key)\n"
     "takes that value instead of the file's, or gives a key the file lacks,\n"
     "checked as the file's would be: one file serves several units. The\n"
     "value is written as in the file, so --set 'wifi.name=\"My Net\"' works.\n"
     "A file whose password was left out (read --redact) sends the unit's\n"
     "own: write reads it first.\n",
     "  0  written, and the unit holds every value sent\n"
     "  1  the command line, the file or a --set is wrong: nothing was written\n"},
    {"check", "FILE|-", true, false, kOptSet, false,
     "checks a settings file as write would, no unit",
     "Checks the whole file as write does, with no unit needed, and prints\n"
     "every problem and warning with its line on standard error. --set as\n"
     "for write.\n",
     "  0  the file can be written (warnings may have been given)\n"
     "  1  it cannot: the problems are listed\n"},
    {"diff", "FILE|-", true, false, kOptUnit | kOptSerial | kOptSet | kOptAll | kOptJson, true,
     "prints where the unit differs from a settings file",
     "Reads the unit and prints one line per key whose value differs from\n"
     "the file's, as diff(1) does for text:\n"
     "    [wifi] channel: unit 6, file 11\n"
     "It compares what write would send, so a value write does not send as\n"
     "written (see the warnings) is no difference. Passwords are not shown,\n"
     "and one the file left out (read --redact) is no difference. --set as\n"
     "for write.\n",
     "  0  the unit holds the file's settings\n"
     "  1  they differ (the differences are printed)\n"
     "  2  the file cannot be read or has problems (they are listed)\n"},
    {"status", "", false, false, kOptUnit | kOptSerial | kOptWatch | kOptJson | kOptAll, true,
     "connection states and the filter run time",
     "Prints the Wi-Fi and master connection states and the filter run time.\n"
     "With --watch it repeats every second until Ctrl-C, which is its normal\n"
     "end (exit status 0).\n",
     "  0  printed (with --watch: ended by Ctrl-C)\n"},
    {"scan", "", false, false, kOptUnit | kOptSerial | kOptJson, true,
     "the Wi-Fi networks the unit's module sees",
     "Has the unit's Wi-Fi module look for networks (up to ten seconds) and\n"
     "prints each network's name once, as the unit's bytes, like the window.\n"
     "After the scan, or on Ctrl-C, the module is restarted as the window\n"
     "does after its scan.\n",
     "  0  scanned\n"},
    {"set", "S.KEY=VALUE...", true, true, kOptUnit | kOptSerial | kOptNoVerify | kOptLog, true,
     "changes some of the unit's settings, then verifies",
     "Reads the unit, changes the keys given (wifi.name=Home,\n"
     "fan.humidity_threshold=60: the keys of the settings file, each value\n"
     "written as there), checks the result as write does and sends only the\n"
     "sections the keys belong to, as write would. Then it reads the unit\n"
     "back and compares every value sent (--no-verify skips that; exit\n"
     "status 3 when the unit holds another). A Wi-Fi key has to be one the\n"
     "unit's mode, after the changes, sends: channel and security for a\n"
     "master without a router, slave_number and slave_address for a slave,\n"
     "slave_address_mode for a slave with a router, master_address with a\n"
     "router. So set wifi.role=slave wifi.slave_number=3 is one change.\n"
     "Anything wrong, and nothing is written.\n",
     "  0  written, and the unit holds every value sent\n"
     "  1  a key, a value, or a key the unit's mode does not send: nothing\n"
     "     was written\n"},
    {"reset-filter", "", false, false, kOptUnit | kOptSerial | kOptAll | kOptLog, true, "starts the filter run time again from zero",
     "Starts the unit's filter run time again from zero.\n", "  0  sent\n"},
    {"restore-defaults", "", false, false, kOptUnit | kOptSerial | kOptJson | kOptYes | kOptAll | kOptOutputDir | kOptLog | kOptRedact, true,
     "factory settings, printed as read back",
     "Returns the unit to its factory settings, replacing its Wi-Fi and fan\n"
     "settings, and prints them as read back (--json as for read). On a\n"
     "terminal it first asks, naming the unit's model and serial number;\n"
     "without a terminal --yes is needed.\n",
     "  0  restored and printed\n"
     "  1  not confirmed, or no terminal and no --yes: the unit was not changed\n"},
    {"help", "[COMMAND]", false, false, 0, false, "this overview, or a command's usage and options",
     "Shows the overview, or with a command its usage, options and exit\n"
     "status (as COMMAND --help does).\n",
     "  0  shown\n"},
}};

struct OptionHelp {
  Option option;
  std::string_view name;
  std::string_view usage;
  std::string_view help;
};

constexpr std::array<OptionHelp, 11> kOptions{{
    {kOptUnit, "--unit", "--unit N", "the unit numbered N by list (needed with several units)"},
    {kOptSerial, "--serial", "--serial SN", "the unit with serial number SN (instead of --unit)"},
    {kOptJson, "--json", "--json", "JSON instead of text (the fields are in ombrel-cli(1))"},
    {kOptWatch, "--watch", "--watch", "repeat every second until Ctrl-C"},
    {kOptYes, "--yes", "--yes", "restore without asking (needed without a terminal)"},
    {kOptNoVerify, "--no-verify", "--no-verify", "do not read the unit back after writing"},
    {kOptSet, "--set", "--set S.KEY=VALUE", "this value instead of the file's (wifi.channel=6)"},
    {kOptRedact, "--redact", "--redact", "no password in what is printed; a write keeps the unit's"},
    {kOptAll, "--all", "--all", "every unit listed, at the same time"},
    {kOptOutputDir, "--output-dir", "--output-dir DIR", "one file per unit in DIR, named by serial number"},
    {kOptLog, "--log", "--log FILE", "append a JSON line per unit written to FILE"},
}};

// Edits from one word to the other, two letters swapped counting as one.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// "Usage: ombrel-cli ...", wrapped under itself to fit 80 columns.
std::string Usage(const CommandInfo& c) {
  std::vector<std::string> parts{"[--demo]", std::string(c.name)};
  for (const OptionHelp& o : kOptions) {
    if (!(c.options & o.option) || o.option == kOptSerial) continue;
    // One unit, named one way or the other.
    parts.push_back(o.option == kOptUnit ? "[--unit N | --serial SN]" : "[" + std::string(o.usage) + "]");
  }
  if (!c.operand.empty()) parts.emplace_back(c.operand);
  std::string usage = "Usage: ombrel-cli";
  std::size_t lineStart = 0;
  for (const std::string& part : parts) {
    if (usage.size() - lineStart + 1 + part.size() > 80) {
      usage += "\n" + std::string(17, ' ');
      lineStart = usage.size() - 17;
    }
    usage += " " + part;
  }
  return usage;
}

std::string Padded(std::string_view text, std::size_t width) {
  std::string out(text);
  out.resize(std::max(out.size() + 1, width), ' ');
  return out;
}

}  // namespace

std::span<const CommandInfo> Commands() { return kCommands; }

const CommandInfo* FindCommand(std::string_view name) {
  const auto it = std::find_if(kCommands.begin(), kCommands.end(), [&](const auto& c) { return c.name == name; });
  return it == kCommands.end() ? nullptr : &*it;
}

std::string_view OptionName(Option option) {
  for (const OptionHelp& o : kOptions)
    if (o.option == option) return o.name;
  return {};
}

std::optional<std::string_view> Nearest(std::string_view word, std::span<const std::string_view> known) {
  std::optional<std::string_view> best;
  std::size_t bestDistance = 0;
  for (std::string_view candidate : known) {
    const std::size_t d = EditDistance(word, candidate);
    if (!best || d < bestDistance) {
      best = candidate;
      bestDistance = d;
    }
  }
  // A third of the word may be wrong, or one of its first letters given alone.
  if (best && (bestDistance * 3 <= std::max(word.size(), best->size()) || best->starts_with(word)) &&
      !word.empty())
    return best;
  return std::nullopt;
}

std::optional<std::string_view> NearestCommand(std::string_view word) {
  std::vector<std::string_view> names;
  for (const CommandInfo& c : kCommands) names.push_back(c.name);
  return Nearest(word, names);
}

std::optional<std::string_view> NearestOption(std::string_view word) {
  std::vector<std::string_view> names{"--demo", "--help", "--version", "--units", "--reset"};
  for (const OptionHelp& o : kOptions) names.push_back(o.name);
  return Nearest(word, names);
}

std::string ExitStatusTable() {
  return "  0  done (diff: the unit holds the file's settings)\n"
         "  1  bad command line or settings file, or not confirmed: nothing was\n"
         "     written (check: the file cannot be written; diff: they differ)\n" +
         std::string(kUnitTrouble) +
         "     (diff: also a file that cannot be read or has problems)\n"
         "  3  write, set: the unit holds other values than were written\n" +
         std::string(kOutputTrouble) + std::string(kInterrupted);
}

std::string OverviewHelp() {
  std::string out =
      "Usage: ombrel-cli [--demo] COMMAND [OPTIONS] [FILE]\n"
      "\n"
      "Talks to a Kolvmark Tovra ventilation unit (Pendra, Pendra DUO) on USB exactly\n"
      "as the Ombrel window does. ombrel-cli help COMMAND (or COMMAND --help) tells\n"
      "more about a command.\n"
      "\n"
      "Commands:\n";
  for (const CommandInfo& c : kCommands) {
    const std::string head = std::string(c.name) + (c.operand.empty() ? "" : " " + std::string(c.operand));
    out += "  " + Padded(head, 22) + std::string(c.summary) + "\n";
  }
  out += "\nOptions:\n  " + Padded("--demo", 22) + "a simulated Pendra DUO instead of the units on USB\n" + "  " +
         Padded("--units N, --reset", 22) + "with --demo: N simulated units; their factory state\n";
  for (const OptionHelp& o : kOptions) {
    // Options no command takes yet are not offered.
    if (std::none_of(kCommands.begin(), kCommands.end(), [&](const CommandInfo& c) { return c.options & o.option; }))
      continue;
    std::string with;
    for (const CommandInfo& c : kCommands)
      if (c.options & o.option) with += (with.empty() ? "" : ", ") + std::string(c.name);
    out += "  " + Padded(o.usage, 22) + std::string(o.help) + "\n";
    // --unit and --serial go with every command that talks to a unit.
    if (o.option != kOptUnit && o.option != kOptSerial) {
      // "(read, write, ...)" under the option's words, wrapped at 80 columns.
      std::string line = std::string(24, ' ') + "(";
      std::string rest = with + ")";
      while (line.size() + rest.size() > 80) {
        const auto cut = rest.rfind(", ", 80 - line.size());
        if (cut == std::string::npos) break;
        out += line + rest.substr(0, cut + 1) + "\n";
        line = std::string(25, ' ');
        rest = rest.substr(cut + 2);
      }
      out += line + rest + "\n";
    }
  }
  out += "  --help, --version\n  " + Padded("--", 22) +
         "ends the options: a FILE after it may start with -\n\n" + SettingsFileHelp() + "\nExit status:\n" +
         ExitStatusTable();
  return out;
}

std::string CommandHelp(const CommandInfo& c) {
  std::string out = Usage(c) + "\n\n" + std::string(c.details);
  if (c.options != 0) {
    out += "\nOptions:\n";
    for (const OptionHelp& o : kOptions)
      if (c.options & o.option) out += "  " + Padded(o.usage, 19) + std::string(o.help) + "\n";
  }
  out += "\nExit status:\n" + std::string(c.exitStatus);
  if (c.usesUnit) out += kUnitTrouble;
  if (c.name == "write" || c.name == "set") {
    out += "  3  the unit holds other values than were written (the keys are named)\n";
  }
  out += kOutputTrouble;
  if (c.name != "help" && c.name != "check") out += kInterrupted;
  if (c.name == "write" || c.name == "check" || c.name == "diff") {
    out += "\nThe settings file is described in ombrel-cli --help and ombrel-cli(1).\n";
  }
  return out;
}

}  // namespace ombrel::cli
