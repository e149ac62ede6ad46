#include "cli/command_support.h"

#include <cstdio>
#include <ostream>

#include "cli/commands.h"
#include "cli/settings_file.h"
#include "protocol/catalogue.h"
#include "protocol/read_back_walk.h"

namespace ombrel::cli {

std::unique_ptr<UnitSession> OpenUnit(const UnitEnvironment& env, std::optional<int> unit, std::ostream& err) {
  auto session = std::make_unique<UnitSession>(env);
  if (const auto problem = session->Select(unit)) {
    err << kProgram << *problem << "\n";
    return nullptr;
  }
  return session;
}

std::string UnitName(const UnitEntry& entry) {
  std::string name = "unit " + std::to_string(entry.number) + " (" + entry.model;
  if (!entry.serialNumber.empty()) name += ", " + entry.serialNumber;
  return name + ")";
}

std::string SilenceText(UnitSession& session, const std::string& what, std::chrono::milliseconds limit) {
  const std::string unit = UnitName(session.Selected());
  if (session.Unplugged()) return unit + " was unplugged while waiting for " + what;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", std::chrono::duration<double>(limit).count());
  return unit + " stopped answering: no answer to " + what + " within " + seconds + " s";
}

std::optional<UnitReading> WalkSettings(UnitSession& session, bool alreadyAsked, std::ostream& err) {
  ReadBackRun run(session.Environment().answerLimit);
  if (alreadyAsked) run.Await(ReadBackRun::Clock::now());
  else run.Start(session.Link(), ReadBackRun::Clock::now());
  while (!run.Finished()) {
    if (auto answer = session.NextAnswer(run.Deadline())) {
      run.TakeAnswer(*answer, session.Link(), ReadBackRun::Clock::now());
      continue;
    }
    const ParamID awaited = *run.Awaiting();
    const CatalogueRow* row = FindCatalogueRow(awaited);
    err << kProgram
        << SilenceText(session, "the request for parameter " + std::to_string(awaited) + " (" +
                                    std::string(row ? row->name : "?") + ")",
                           session.Environment().answerLimit)
        << " after " << run.Answered() << " of " << kReadBackLength << " settings\n";
    return std::nullopt;
  }
  return run.Reading();
}

void PrintReading(const UnitReading& reading, const UnitEntry& unit, bool json, std::ostream& out) {
  const SettingsRecord record = RecordOfReading(reading);
  if (json) {
    out << FormatJson(record);
    return;
  }
  out << FormatIni(record, {unit.model + (unit.serialNumber.empty() ? "" : " " + unit.serialNumber) +
                                ", read by " + VersionText(),
                            "ombrel-cli write FILE sends these values as the window's Apply/Save would."});
}

bool CheckWrites(UnitSession& session, std::ostream& err) {
  if (!session.WriteFailed()) return true;
  err << kProgram << "writing to " << UnitName(session.Selected()) << " failed"
      << (session.Unplugged() ? ": it was unplugged" : "") << "\n";
  return false;
}

}  // namespace ombrel::cli
