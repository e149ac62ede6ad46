#include <istream>
#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/settings_file.h"
#include "protocol/status_poll.h"

namespace ombrel::cli {
namespace {

// Only a typed "y" or "yes" agrees; anything else, an empty line, the end of
// the input or Ctrl-C during the question leaves the unit as it is. The
// line's end is the person's when they typed one.
bool Agrees(std::istream& in, std::ostream& err) {
  std::string answer;
  if (!std::getline(in, answer)) {
    err << "\n";
    return false;
  }
  while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
  while (!answer.empty() && answer.front() == ' ') answer.erase(0, 1);
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
}

}  // namespace

int ResetFilterCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  auto session = OpenUnit(env, how.unit, io.err);
  if (!session) return kExitUnit;
  ResetFilterTimer(session->Link());
  const int code = CheckWrites(*session, io.err) ? kExitOk : kExitUnit;
  if (env.written) env.written(session->Selected(), SettingsRecord{}, false, code);
  if (code != kExitOk) return code;
  io.out << "The filter timer of " << UnitName(session->Selected()) << " starts again from zero.\n";
  return kExitOk;
}

int RestoreDefaultsCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  if (!how.yes && !env.terminal) {
    io.err << kProgram
           << "restore-defaults replaces the unit's Wi-Fi and fan settings with the factory ones; "
           "without a terminal to ask on, give --yes\n";
    return kExitBadInput;
  }
  auto session = OpenUnit(env, how.unit, io.err);
  if (!session) return kExitUnit;
  const std::string name = UnitName(session->Selected());
  if (!how.yes) {
    io.err << "Restore the factory settings of " << name
           << "? Its Wi-Fi and fan settings are replaced. [y/N] " << std::flush;
    if (!Agrees(io.in, io.err) || session->Interrupted()) {
      io.err << kProgram << "not restored: " << name << " was not changed\n";
      return session->Interrupted() ? kExitInterrupted : kExitBadInput;
    }
  }
  // Ends with the read-back's first request, as the window's button does.
  RestoreDefaults(session->Link());
  const auto reading = WalkSettings(*session, true, io.err);
  if (!reading && session->Interrupted()) {
    io.err << kProgram << "interrupted: " << name << " was restored to its factory settings; "
           << "they were not read back\n";
    return kExitInterrupted;
  }
  const int code = CheckWrites(*session, io.err) && reading ? kExitOk : kExitUnit;
  // What the unit holds now, as read back (nothing when that failed).
  if (env.written) {
    env.written(session->Selected(), reading ? RecordOfReading(*reading) : SettingsRecord{}, false, code);
  }
  if (code != kExitOk) return code;
  PrintReading(*reading, session->Selected(), how.json, io.out, how.redact);
  return kExitOk;
}

}  // namespace ombrel::cli
