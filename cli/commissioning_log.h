// --log FILE: one JSON line for every unit a command wrote settings to, so
// an installer keeps a record of what each unit was given. The file is only
// ever appended to, a line at a time and flushed at once, so a run that is
// interrupted loses nothing already logged.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/unit_environment.h"

namespace ombrel::cli {

struct SettingsRecord;
struct UnitEntry;

class CommissioningLog {
 public:
  // Empty after `error` says why the file cannot be opened for appending.
  static std::unique_ptr<CommissioningLog> Open(const std::string& path, std::string& error);

  // One line; safe from several threads. False when the line could not be
  // written whole.
  bool Append(const std::string& command, const UnitEntry& unit, const SettingsRecord& record, bool verify,
              int code);

  // The line Append writes, without its end; `now` as UTC, ISO 8601.
  static std::string Line(const std::string& timeUtc, const std::string& command, const UnitEntry& unit,
                          const SettingsRecord& record, bool verify, int code);

 private:
  explicit CommissioningLog(std::string path) : path_(std::move(path)) {}
  std::string path_;
  std::mutex lock_;
};

}  // namespace ombrel::cli
