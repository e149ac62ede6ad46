#include "cli/settings_compare.h"

#include <algorithm>

#include "cli/command_support.h"
#include "cli/settings_syntax.h"

namespace ombrel::cli {
namespace {

std::string RoleWord(std::uint8_t role) {
  return role == 1 ? "master" : role == 0 ? "slave" : std::to_string(role);
}

// A master's connection type in the file's words; a slave's (always 1 as
// sent) as its number.
std::string ConnectionWord(std::uint8_t type, bool master) {
  if (master && type == 1) return "yes";
  if (master && type == 2) return "no";
  return "connection type " + std::to_string(type);
}

std::string ValueOf(const KeyValues& values, std::string_view key) {
  const auto it = std::find_if(values.begin(), values.end(), [&](const auto& kv) { return kv.first == key; });
  return it == values.end() ? std::string() : it->second;
}

void CompareWiFi(const WiFiRecord& file, const UnitReading& unit, std::vector<Difference>& out) {
  // What the write sends, taken as the write takes it.
  WiFiSettings sent = file.values;
  TakeWiFiPage(sent, PageOfWiFiRecord(file));
  WiFiSettings held = unit.lastKnown;
  held.networkName = unit.wifi.networkName;
  held.password = unit.wifi.password;

  const bool master = sent.role == 1;
  if (sent.role != held.role) out.push_back({"wifi", "role", RoleWord(held.role), RoleWord(sent.role)});
  if (sent.connectionType != held.connectionType) {
    out.push_back({"wifi", "router", ConnectionWord(held.connectionType, master),
                   ConnectionWord(sent.connectionType, master)});
  }
  const KeyValues fileValues = WiFiKeyValues(file);
  const KeyValues sentValues = WiFiKeyValues({master, file.withRouter, sent});
  const KeyValues heldValues = WiFiKeyValues({master, file.withRouter, held});
  for (const auto& [key, value] : sentValues) {
    if (key == "role" || key == "router") continue;
    const std::string unitValue = ValueOf(heldValues, key);
    if (unitValue == value) continue;
    if (key == "password") {
      // A file that left the password out keeps the unit's: no difference.
      if (!file.passwordLeftOut) out.push_back({"wifi", "password", "", "", true});
      continue;
    }
    const std::string fileValue = ValueOf(fileValues, key);
    if (key == "name") {
      // Quoted, with what could steer a terminal escaped.
      out.push_back({"wifi", "name", Quoted(unitValue), Quoted(value)});
      continue;
    }
    out.push_back({"wifi", std::string(key), unitValue,
                   fileValue == value ? value : fileValue + " (sent as " + value + ")"});
  }
}

void CompareFan(const FanPage& file, const FanPage& unit, std::vector<Difference>& out) {
  const KeyValues heldValues = FanKeyValues(unit);
  for (const auto& [key, value] : FanKeyValues(file)) {
    const std::string unitValue = ValueOf(heldValues, key);
    if (unitValue != value) out.push_back({"fan", std::string(key), unitValue, value});
  }
}

}  // namespace

std::vector<Difference> Differences(const SettingsRecord& file, const UnitReading& unit) {
  std::vector<Difference> out;
  if (file.wifi) CompareWiFi(*file.wifi, unit, out);
  if (file.fan) {
    const SettingsRecord held = RecordOfReading(unit);
    CompareFan(*file.fan, held.fan ? *held.fan : FanPage{}, out);
  }
  return out;
}

std::string DifferenceLine(const Difference& d, std::string_view fileWord) {
  // Passwords are compared, never shown.
  const std::string key = "[" + d.section + "] " + d.key;
  if (d.hidden) return key + ": differs (passwords are not shown)";
  return key + ": unit " + d.unit + ", " + std::string(fileWord) + " " + d.file;
}

}  // namespace ombrel::cli
