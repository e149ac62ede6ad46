#include "cli/command_support.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>

#include "cli/commands.h"
#include "cli/settings_file.h"
#include "cli/settings_syntax.h"
#include "cli/unit_text.h"
#include "protocol/catalogue.h"
#include "protocol/read_back_walk.h"

namespace ombrel::cli {
namespace {

// A settings file is a few hundred bytes; this keeps /dev/zero out.
constexpr std::size_t kMaxSettingsBytes = 1 << 20;

}  // namespace

std::string Listed(std::span<const std::string_view> words) {
  std::string out;
  for (std::size_t i = 0; i < words.size(); ++i)
    out += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + std::string(words[i]);
  return out;
}

std::optional<std::string> ReadSettingsText(std::string_view fileName, std::istream& in, std::ostream& err) {
  std::string text;
  if (fileName == "-") {
    errno = 0;
    char buffer[4096];
    while (text.size() <= kMaxSettingsBytes && in.read(buffer, sizeof buffer)) text.append(buffer, sizeof buffer);
    if (!in.bad()) text.append(buffer, static_cast<std::size_t>(in.gcount()));
    // A closed standard input reads as empty; the C library says why.
    const int error = errno;
    if (in.bad() || (text.empty() && (error == EBADF || error == EIO))) {
      err << kProgram << "cannot read standard input" << (error ? std::string(": ") + std::strerror(error) : "")
          << "\n";
      return std::nullopt;
    }
  } else {
    const std::filesystem::path path{std::string(fileName)};
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
      err << kProgram << "cannot read " << Quoted(fileName) << ": it is a directory\n";
      return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      err << kProgram << "cannot read " << Quoted(fileName) << ": " << std::strerror(errno) << "\n";
      return std::nullopt;
    }
    char buffer[4096];
    while (text.size() <= kMaxSettingsBytes && file.read(buffer, sizeof buffer)) text.append(buffer, sizeof buffer);
    if (file.bad()) {
      err << kProgram << "cannot read " << Quoted(fileName) << ": " << std::strerror(errno) << "\n";
      return std::nullopt;
    }
    text.append(buffer, static_cast<std::size_t>(file.gcount()));
  }
  if (text.size() > kMaxSettingsBytes) {
    err << kProgram << (fileName == "-" ? std::string("standard input") : Quoted(fileName))
        << " is larger than 1 MiB: not a settings file\n";
    return std::nullopt;
  }
  return text;
}

std::optional<SettingsRecord> ReadSettings(std::string_view fileName, std::istream& in, std::ostream& err,
                                           std::span<const std::string> sets) {
  const auto text = ReadSettingsText(fileName, in, err);
  if (!text) return std::nullopt;
  ParsedSettings parsed = ParseSettingsFile(*text, fileName == "-" ? "<stdin>" : fileName, sets);
  for (const std::string& problem : parsed.problems) err << problem << "\n";
  for (const std::string& warning : parsed.warnings) err << warning << "\n";
  if (!parsed.problems.empty()) return std::nullopt;
  return std::move(parsed.record);
}

std::unique_ptr<UnitSession> OpenUnit(const UnitEnvironment& env, const UnitChoice& unit, std::ostream& err) {
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
    // Answers that are already in do not keep a stopped walk going.
    if (session.Interrupted()) return std::nullopt;
    if (auto answer = session.NextAnswer(run.Deadline())) {
      run.TakeAnswer(*answer, session.Link(), ReadBackRun::Clock::now());
      continue;
    }
    if (session.Interrupted()) return std::nullopt;
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

void PrintReading(const UnitReading& reading, const UnitEntry& unit, bool json, std::ostream& out, bool redact) {
  SettingsRecord record = RecordOfReading(reading);
  if (redact && record.wifi) {
    record.wifi->passwordLeftOut = true;
    record.wifi->values.password.clear();
  }
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
