#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"

namespace ombrel::cli {

int ReadCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  auto session = OpenUnit(env, how.unit, io.err);
  if (!session) return kExitUnit;
  const auto reading = WalkSettings(*session, false, io.err);
  if (!reading && session->Interrupted()) {
    io.err << kProgram << "interrupted while reading " << UnitName(session->Selected()) << "; nothing was printed\n";
    return kExitInterrupted;
  }
  if (!reading || !CheckWrites(*session, io.err)) return kExitUnit;
  PrintReading(*reading, session->Selected(), how.json, io.out, how.redact);
  return kExitOk;
}

}  // namespace ombrel::cli
