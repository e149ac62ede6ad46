#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "protocol/status_poll.h"

namespace ombrel::cli {

int ResetFilterCommand(const UnitEnvironment& env, std::optional<int> unit, std::ostream& out,
                       std::ostream& err) {
  auto session = OpenUnit(env, unit, err);
  if (!session) return kExitUnit;
  ResetFilterTimer(session->Link());
  if (!CheckWrites(*session, err)) return kExitUnit;
  out << "The filter timer of " << UnitName(session->Selected()) << " starts again from zero.\n";
  return kExitOk;
}

int RestoreDefaultsCommand(const UnitEnvironment& env, std::optional<int> unit, bool json, std::ostream& out,
                           std::ostream& err) {
  auto session = OpenUnit(env, unit, err);
  if (!session) return kExitUnit;
  // Ends with the read-back's first request, as the window's button does.
  RestoreDefaults(session->Link());
  const auto reading = WalkSettings(*session, true, err);
  if (!CheckWrites(*session, err) || !reading) return kExitUnit;
  PrintReading(*reading, session->Selected(), json, out);
  return kExitOk;
}

}  // namespace ombrel::cli
