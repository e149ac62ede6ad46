#include "cli/commissioning_log.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/settings_file.h"
#include "cli/unit_session.h"

namespace ombrel::cli {
namespace {

std::string NowUtc() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// What became of the read-back that checks a write.
std::string_view Verification(bool verify, int code) {
  if (!verify) return "skipped";
  if (code == kExitOk) return "passed";
  if (code == kExitMismatch) return "failed";
  return "not done";
}

}  // namespace

std::unique_ptr<CommissioningLog> CommissioningLog::Open(const std::string& path, std::string& error) {
  // Opened (and made) once up front, so a log that cannot be kept stops the
  // command before it writes to any unit.
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) {
    error = "cannot open the log " + path + " for appending: " + std::strerror(errno);
    return nullptr;
  }
  std::fclose(file);
  return std::unique_ptr<CommissioningLog>(new CommissioningLog(path));
}

std::string CommissioningLog::Line(const std::string& timeUtc, const std::string& command, const UnitEntry& unit,
                                   const SettingsRecord& record, bool verify, int code) {
  std::string keys;
  const auto add = [&keys](std::string_view section, const KeyValues& values, bool passwordLeftOut) {
    for (const auto& [key, value] : values) {
      std::string shown = value;
      // The password itself never goes into a file that is passed around.
      if (key == "password") shown = passwordLeftOut ? "(unchanged)" : "(set)";
      keys += (keys.empty() ? "" : ", ") + JsonString(std::string(section) + "." + std::string(key)) + ": " +
              JsonString(shown);
    }
  };
  if (record.wifi) add("wifi", WiFiKeyValues(*record.wifi), record.wifi->passwordLeftOut);
  if (record.fan) add("fan", FanKeyValues(*record.fan), false);
  return "{\"time\": " + JsonString(timeUtc) + ", \"version\": " + JsonString(VersionText()) +
         ", \"model\": " + JsonString(unit.model) +
         ", \"serial\": " + (unit.serialNumber.empty() ? std::string("null") : JsonString(unit.serialNumber)) +
         ", \"command\": " + JsonString(command) + ", \"keys\": {" + keys + "}, \"verification\": " +
         JsonString(Verification(verify, code)) + ", \"status\": " + std::to_string(code) + "}";
}

bool CommissioningLog::Append(const std::string& command, const UnitEntry& unit, const SettingsRecord& record,
                              bool verify, int code) {
  const std::string line = Line(NowUtc(), command, unit, record, verify, code) + "\n";
  std::lock_guard hold(lock_);
  std::FILE* file = std::fopen(path_.c_str(), "ab");
  if (file == nullptr) return false;
  const bool whole = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  return std::fclose(file) == 0 && whole;
}

}  // namespace ombrel::cli
