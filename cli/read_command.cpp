#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"

namespace ombrel::cli {

int ReadCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  const auto& unit = how.unit;
  const bool json = how.json;
  std::ostream& out = io.out;
  std::ostream& err = io.err;
  auto session = OpenUnit(env, unit, err);
  if (!session) return kExitUnit;
  const auto reading = WalkSettings(*session, false, err);
  if (!reading && session->Interrupted()) {
    err << kProgram << "interrupted while reading " << UnitName(session->Selected()) << "; nothing was printed\n";
    return kExitInterrupted;
  }
  if (!reading || !CheckWrites(*session, err)) return kExitUnit;
  PrintReading(*reading, session->Selected(), json, out, how.redact);
  return kExitOk;
}

}  // namespace ombrel::cli
