#include <algorithm>
#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/unit_text.h"
#include "protocol/network_scan.h"
#include "protocol/scan_entry.h"

namespace ombrel::cli {
namespace {

// A network's name as the window shows the module's bytes, one character
// each, but with control characters (which no name should hold, and which
// could steer the terminal) written \xHH.
std::string ShownName(std::u16string_view name) {
  std::string out;
  for (char16_t c : name) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      out += HexEscape(static_cast<unsigned char>(c));
    } else {
      out += Utf8OfUnitText(std::u16string_view(&c, 1));
    }
  }
  return out;
}

// The module's encryption code in the words of the settings file.
std::string SecurityName(int code) {
  switch (code) {
    case 0: return "OPEN";
    case 1: return "WEP";
    case 2: return "WPA_PSK";
    case 3: return "WPA2_PSK";
    case 4: return "WPA_WPA2_PSK";
    default: return std::to_string(code);
  }
}

}  // namespace

int ScanCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  auto session = OpenUnit(env, how.unit, io.err);
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
      CheckWrites(*session, io.err);
      io.err << kProgram << "interrupted: the scan was stopped and the Wi-Fi module of "
             << UnitName(session->Selected()) << " restarted\n";
      return kExitInterrupted;
    }
    if (scan.Waiting() && Clock::now() >= giveUpAt) {
      // The window would go on asking; a command ends, and leaves the module
      // restarted as after a scan.
      WriteScanClosing(link);
      CheckWrites(*session, io.err);
      io.err << kProgram << SilenceText(*session, "the network scan (asked " + std::to_string(scan.Attempts()) +
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
  if (!CheckWrites(*session, io.err)) return kExitUnit;

  // Each network once, in the order the module listed them; with --json
  // every access point the module listed (a network may have several),
  // hidden ones (no name) included.
  if (how.json) {
    io.out << "[";
    bool first = true;
    for (const std::u16string& entry : scan.Entries()) {
      const ScanEntryDetails d = ScanEntryDetailsOf(entry);
      const auto number = [](const std::optional<int>& n) {
        return JsonNumberOrNull(n ? std::optional<long long>(*n) : std::nullopt);
      };
      io.out << (first ? "\n" : ",\n") << "  {\"name\": " << JsonString(Utf8OfUnitText(d.name))
             << ", \"security\": " << (d.encryption ? JsonString(SecurityName(*d.encryption)) : "null")
             << ", \"rssi\": " << number(d.rssi) << ", \"mac\": " << JsonString(Utf8OfUnitText(d.mac))
             << ", \"channel\": " << number(d.channel) << "}";
      first = false;
    }
    io.out << (first ? "]\n" : "\n]\n");
    return kExitOk;
  }
  std::vector<std::u16string> printed;
  for (const std::u16string& name : scan.Names()) {
    if (name.empty() || std::find(printed.begin(), printed.end(), name) != printed.end()) continue;
    printed.push_back(name);
    io.out << ShownName(name) << "\n";
  }
  return kExitOk;
}

}  // namespace ombrel::cli
