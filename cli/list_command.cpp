#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"

namespace ombrel::cli {

// One line per unit, the fields apart by tabs: number, model, serial number
// ("-" when the unit has none), device path, and whether it can be opened
// for reading and writing, with the reason when not.
// With --json an array of objects: number, model, serial (null when the
// unit has none), path, openable, reason (null when openable).
int ListCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  UnitSession session(env);
  if (session.Units().empty()) {
    io.err << kProgram << "no unit found (is it plugged in?)\n";
    return kExitUnit;
  }
  if (how.json) {
    io.out << "[";
    for (const UnitEntry& unit : session.Units()) {
      io.out << (unit.number == 1 ? "\n" : ",\n") << "  {\"number\": " << unit.number
             << ", \"model\": " << JsonString(unit.model)
             << ", \"serial\": " << (unit.serialNumber.empty() ? "null" : JsonString(unit.serialNumber))
             << ", \"path\": " << JsonString(unit.path) << ", \"openable\": " << (unit.readWrite ? "true" : "false")
             << ", \"reason\": " << (unit.readWrite ? "null" : JsonString(unit.whyNot)) << "}";
    }
    io.out << "\n]\n";
    return kExitOk;
  }
  for (const UnitEntry& unit : session.Units()) {
    io.out << unit.number << "\t" << unit.model << "\t" << (unit.serialNumber.empty() ? "-" : unit.serialNumber)
           << "\t" << unit.path << "\t"
           << (unit.readWrite ? "read-write" : "not openable: " + unit.whyNot) << "\n";
  }
  return kExitOk;
}

}  // namespace ombrel::cli
