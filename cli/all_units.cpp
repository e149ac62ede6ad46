#include "cli/all_units.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli/command_support.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"

namespace ombrel::cli {
namespace {

struct UnitResult {
  UnitEntry unit;
  int code = kExitOk;
  std::string out;
  std::vector<std::string> messages;  // standard error, warnings left out
  std::string savedTo;                // read --output-dir: the file written
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A worker's messages without the program's prefix, and without the file's
// warnings, which were told once before the units were started.
std::vector<std::string> Messages(const std::string& err) {
  std::vector<std::string> messages;
  for (std::string line : Lines(err)) {
    if (line.find(": warning: ") != std::string::npos) continue;
    if (line.starts_with(kProgram)) line.erase(0, kProgram.size());
    messages.push_back(line);
  }
  return messages;
}

// A serial number that cannot name the unit alone: none, or one more units have.
bool SerialNotOwn(const UnitEntry& unit, const std::vector<UnitEntry>& all) {
  return unit.serialNumber.empty() ||
         std::count_if(all.begin(), all.end(), [&](const UnitEntry& u) { return u.serialNumber == unit.serialNumber; }) > 1;
}

// A file name from a serial number: letters, digits, '.', '-' and '_' kept.
std::string FileStem(const UnitEntry& unit, const std::vector<UnitEntry>& all) {
  std::string stem;
  for (char c : unit.serialNumber) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                      c == '-' || c == '_';
    stem += keep ? c : '_';
  }
  if (stem.empty() || stem.front() == '.' || SerialNotOwn(unit, all)) {
    stem += (stem.empty() ? "" : "-") + std::string("unit-") + std::to_string(unit.number);
  }
  return stem;
}

// The JSON object key of a unit in read --all's document.
std::string DocumentKey(const UnitEntry& unit, const std::vector<UnitEntry>& all) {
  if (SerialNotOwn(unit, all)) return "unit-" + std::to_string(unit.number);
  return unit.serialNumber;
}

std::string Indented(const std::string& json) {
  std::string out;
  for (const std::string& line : Lines(json)) out += (out.empty() ? "" : "\n  ") + line;
  return out;
}

std::string JsonLines(const std::vector<std::string>& lines) {
  std::string out = "[";
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? ", " : "") + JsonString(lines[i]);
  return out + "]";
}

}  // namespace

int RunOnAllUnits(const CommandInfo& info, const UnitEnvironment& env, const Invocation& how, Streams io,
                  const UnitCommand& command) {
  const std::string name(info.name);
  if (how.watch) {
    io.err << kProgram << "--watch follows one unit; it does not go with --all\n";
    return kExitBadInput;
  }
  if (name == "restore-defaults" && !how.yes) {
    io.err << kProgram << "restore-defaults --all replaces the settings of every unit; give --yes\n";
    return kExitBadInput;
  }
  const bool fromFile = !how.file.empty();
  const bool document = (name == "read" || name == "restore-defaults") && how.outputDir.empty();

  // The file is read and judged once: standard input cannot be read by
  // every unit, and its problems and warnings are told once.
  std::string text;
  if (fromFile) {
    const auto read = ReadSettingsText(how.file, io.in, io.err);
    if (!read) return name == "diff" ? kExitUnit : kExitBadInput;
    text = *read;
    std::istringstream again(text);
    std::ostringstream ignored;
    if (CheckCommand(how, {again, ignored, io.err}) != kExitOk) {
      if (name != "diff") io.err << kProgram << "nothing was written\n";
      return name == "diff" ? kExitUnit : kExitBadInput;
    }
  }

  std::vector<UnitEntry> units;
  {
    UnitSession listing(env);
    units = listing.Units();
  }
  if (units.empty()) {
    io.err << kProgram << "no unit found (is it plugged in?)\n";
    return kExitUnit;
  }

  std::vector<UnitResult> results(units.size());
  std::mutex backgroundLock;
  {
    std::vector<std::jthread> workers;
    for (std::size_t i = 0; i < units.size(); ++i) {
      workers.emplace_back([&, i] {
        UnitEnvironment own = env;
        // The demo's network is one for all units.
        if (env.background) {
          own.background = [&] {
            std::lock_guard lock(backgroundLock);
            env.background();
          };
        }
        Invocation mine = how;
        mine.all = false;
        mine.unit = UnitChoice();
        mine.unit.path = units[i].path;
        if (document) mine.json = true;
        std::istringstream in(text);
        std::ostringstream out, err;
        UnitResult& r = results[i];
        r.unit = units[i];
        r.code = command(own, mine, {in, out, err});
        r.out = out.str();
        r.messages = Messages(err.str());
      });
    }
  }

  // read and restore-defaults: a file per unit, or one document.
  if ((name == "read" || name == "restore-defaults") && !how.outputDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(how.outputDir, ec);
    for (UnitResult& r : results) {
      if (r.code != kExitOk) continue;
      const auto path =
          std::filesystem::path(how.outputDir) / (FileStem(r.unit, units) + (how.json ? ".json" : ".ini"));
      std::ofstream file(path, std::ios::binary | std::ios::trunc);
      file << r.out;
      file.close();
      if (!file) {
        r.code = kExitOutput;
        r.messages.push_back("cannot write " + path.string());
      } else {
        r.savedTo = path.string();
      }
    }
  }
  if (document) {
    std::string doc = "{";
    bool first = true;
    for (const UnitResult& r : results) {
      if (r.code != kExitOk) continue;
      doc += std::string(first ? "\n  " : ",\n  ") + JsonString(DocumentKey(r.unit, units)) + ": " + Indented(r.out);
      first = false;
    }
    io.out << doc << (first ? "}\n" : "\n}\n");
  }

  int worst = kExitOk;
  for (const UnitResult& r : results) worst = std::max(worst, r.code);

  if (how.json && !document) {
    io.out << "{\"units\": [";
    for (std::size_t i = 0; i < results.size(); ++i) {
      const UnitResult& r = results[i];
      const std::string out = r.out;
      const bool outIsJson = !out.empty() && (out.front() == '{' || out.front() == '[');
      io.out << (i ? ",\n  " : "\n  ") << "{\"number\": " << r.unit.number
             << ", \"model\": " << JsonString(r.unit.model)
             << ", \"serial\": " << (r.unit.serialNumber.empty() ? "null" : JsonString(r.unit.serialNumber))
             << ", \"status\": " << r.code << ", \"output\": "
             << (outIsJson ? Indented(out) : JsonLines(Lines(out))) << ", \"messages\": " << JsonLines(r.messages);
      if (!r.savedTo.empty()) io.out << ", \"file\": " << JsonString(r.savedTo);
      io.out << "}";
    }
    io.out << "\n], \"status\": " << worst << "}\n";
    return worst;
  }

  // One result per unit, then the summary; beside a document they go to
  // standard error.
  std::ostream& report = document ? io.err : io.out;
  int done = 0, differ = 0, failed = 0;
  for (const UnitResult& r : results) {
    const std::string unit = UnitName(r.unit);
    const bool differs = name == "diff" && r.code == kExitBadInput;
    if (r.code != kExitOk && !differs) {
      ++failed;
      report << unit << ": failed (exit status " << r.code << ")\n";
      for (const std::string& m : r.messages) report << "  " << m << "\n";
      continue;
    }
    differs ? ++differ : ++done;
    if (name == "diff") {
      report << unit << (differs ? ": differs\n" : ": holds the file's settings\n");
      for (const std::string& line : Lines(r.out)) report << "  " << line << "\n";
    } else if (name == "status") {
      report << unit << ":\n";
      for (const std::string& line : Lines(r.out)) report << "  " << line << "\n";
    } else if (!r.savedTo.empty()) {
      report << unit << ": " << r.savedTo << "\n";
    } else if (document) {
      report << unit << ": read\n";
    } else {
      report << r.out;
    }
  }
  report << results.size() << (results.size() == 1 ? " unit: " : " units: ");
  if (name == "diff") {
    report << done << " the same, " << differ << " differ, " << failed << " failed\n";
  } else {
    report << done << " done, " << failed << " failed\n";
  }
  return worst;
}

}  // namespace ombrel::cli
