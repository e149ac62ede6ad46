// What a unit holds against what a settings file would send: the ground of
// `diff` and of the check after `write`.
#pragma once

#include <string>
#include <vector>

#include "cli/settings_file.h"
#include "protocol/read_back.h"

namespace ombrel::cli {

struct Difference {
  std::string section;  // "wifi"
  std::string key;      // "channel"
  std::string unit;     // as the file form prints it; empty for a password
  std::string file;     // the value sent, with the file's own words where they differ
  bool hidden = false;  // a password: compared, never shown
};

// Each key of the file's sections whose value as a write sends it differs
// from the unit's reading. The Wi-Fi values are compared as the unit holds
// them (the read-back's last known values and its texts), so a value the
// write sends in place of the file's is compared as sent. A password the
// file left out is the unit's own and differs in nothing.
std::vector<Difference> Differences(const SettingsRecord& file, const UnitReading& unit);

// "[wifi] channel: unit 6, file 11"; `fileWord` names the other side.
std::string DifferenceLine(const Difference& d, std::string_view fileWord);

}  // namespace ombrel::cli
