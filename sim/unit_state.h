// What the demo keeps of its simulated units between runs: each unit's
// stored settings and filter run time, by serial number, as a small
// line-based text:
//
//   ombrel-demo-state 1
//   PD2407311 5 01
//   PD2407311 7 6d6f7373792d6665726e2d3432
//   PD2407311 38 0381b4
//   end
//
// One line per unit and parameter: serial number, parameter ID in decimal,
// the value's bytes in hex ("-" for none). The parameter ID of the filter
// run time carries that time. The closing "end" tells a whole file from a
// cut one.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "sim/unit_model.h"

namespace ombrel::sim {

using SavedValues = std::map<ParamID, Report>;
// By serial number.
using SavedUnits = std::map<std::string, SavedValues>;

SavedValues SaveUnit(const UnitModel& unit);
// Puts back what SaveUnit took; what `values` lacks stays as it is.
void RestoreUnit(UnitModel& unit, const SavedValues& values);

std::string FormatSavedUnits(const SavedUnits& units);
// Empty when the text is not a whole state of this version: any line that
// does not read, a value of a length its parameter never has, a parameter
// that is not kept, a parameter twice. Nothing of a damaged text is used.
std::optional<SavedUnits> ParseSavedUnits(std::string_view text);

}  // namespace ombrel::sim
