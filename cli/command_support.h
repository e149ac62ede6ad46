// What the commands share: opening the chosen unit, walking its settings,
// and saying why not.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <span>
#include <string>

#include "cli/settings_file.h"
#include "cli/unit_session.h"
#include "protocol/read_back.h"

namespace ombrel::cli {

// Prefix of every message on standard error.
inline constexpr std::string_view kProgram = "ombrel-cli: ";

// "a", "a and b", "a, b and c".
std::string Listed(std::span<const std::string_view> words);

// The settings file's text ("-": `in`), or empty after saying on `err` why
// it cannot be read (missing, a directory, standard input closed, too big).
std::optional<std::string> ReadSettingsText(std::string_view fileName, std::istream& in, std::ostream& err);

// Reads and checks a settings file, with `sets` (--set) in place of the
// file's values, and prints its problems, then its warnings, on `err`.
// Empty when it cannot be read or has problems.
std::optional<SettingsRecord> ReadSettings(std::string_view fileName, std::istream& in, std::ostream& err,
                                           std::span<const std::string> sets = {});

// The session with the chosen unit, or null after saying why on `err`.
std::unique_ptr<UnitSession> OpenUnit(const UnitEnvironment& env, const UnitChoice& unit, std::ostream& err);

// "unit 1 (Pendra DUO, PD2407311)"
std::string UnitName(const UnitEntry& entry);

// Why a unit that was asked something gave no answer within `limit`.
std::string SilenceText(UnitSession& session, const std::string& what, std::chrono::milliseconds limit);

// Runs the read-back walk; `alreadyAsked` when its first request went out
// already. Empty after saying on `err` that the unit stopped answering, or,
// when interrupted, having said nothing (the caller knows what it was for).
std::optional<UnitReading> WalkSettings(UnitSession& session, bool alreadyAsked, std::ostream& err);

// The reading as the settings file, INI or JSON; with `redact` the
// password is left out (a write of the file keeps the unit's).
void PrintReading(const UnitReading& reading, const UnitEntry& unit, bool json, std::ostream& out,
                  bool redact = false);

// False after saying on `err` that a write to the unit failed.
bool CheckWrites(UnitSession& session, std::ostream& err);

}  // namespace ombrel::cli
