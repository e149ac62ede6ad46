#include <algorithm>
#include <cstdio>
#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/unit_text.h"
#include "protocol/network_scan.h"

namespace ombrel::cli {
namespace {

// A network's name as the window shows the module's bytes, one character
// each, but with control characters (which no name should hold, and which
// could steer the terminal) written \xHH.
std::string ShownName(std::u16string_view name) {
  std::string out;
  for (char16_t c : name) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
      out += hex;
    } else {
      out += Utf8OfUnitText(std::u16string_view(&c, 1));
    }
  }
  return out;
}

}  // namespace

int ScanCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  const auto& unit = how.unit;
  std::ostream& out = io.out;
  std::ostream& err = io.err;
  auto session = OpenUnit(env, unit, err);
  if (!session) return kExitUnit;
  const UnitLink& link = session->Link();
  using Clock = ScanRun::Clock;

  ScanRun scan;
  scan.Start(link, Clock::now());
  const auto giveUpAt = Clock::now() + env.scanLimit;
  while (scan.Waiting() || scan.Collecting()) {
    if (session->Interrupted()) {
      // The module is in station mode, listing: back to the unit's own mode.
      WriteScanClosing(link);
      CheckWrites(*session, err);
      err << kProgram << "interrupted: the scan was stopped and the Wi-Fi module of "
          << UnitName(session->Selected()) << " restarted\n";
      return kExitInterrupted;
    }
    if (scan.Waiting() && Clock::now() >= giveUpAt) {
      // The window would go on asking; a command ends, and leaves the module
      // restarted as after a scan.
      WriteScanClosing(link);
      CheckWrites(*session, err);
      err << kProgram << SilenceText(*session, "the network scan (asked " + std::to_string(scan.Attempts()) +
                                                   " times)",
                                              env.scanLimit)
          << "\n";
      return kExitUnit;
    }
    auto deadline = *scan.NextStep();
    if (scan.Waiting()) deadline = std::min(deadline, giveUpAt);
    if (auto answer = session->NextAnswer(deadline)) scan.TakeAnswer(*answer, Clock::now());
    scan.Step(link, Clock::now());
  }
  if (!CheckWrites(*session, err)) return kExitUnit;

  // Each network once, in the order the module listed them.
  std::vector<std::u16string> printed;
  for (const std::u16string& name : scan.Names()) {
    if (name.empty() || std::find(printed.begin(), printed.end(), name) != printed.end()) continue;
    printed.push_back(name);
    out << ShownName(name) << "\n";
  }
  return kExitOk;
}

}  // namespace ombrel::cli
