// Settings files as anyone might write them: any bytes are read without a
// crash, no message carries a control byte to the terminal, and a file that
// is taken prints (INI and JSON) to files that read back to the same values
// and the same print.
// Besides the input as a whole file, its bytes after the first stand as the
// value of one key (picked by the first byte) in a good INI and a good JSON
// file, so that most runs reach the print and its reading back.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "cli/settings_file.h"

namespace {

using namespace ombrel::cli;

struct Key {
  std::string_view name;
  std::string_view ini;   // the good value as INI writes it
  std::string_view json;  // and as JSON does
};

constexpr std::array<Key, 23> kKeys{{
    {"role", "master", "\"master\""},
    {"router", "no", "false"},
    {"name", "\"Kirrowind_Pendra\"", "\"Kirrowind_Pendra\""},
    {"password", "\"12345678\"", "\"12345678\""},
    {"security", "WPA2_PSK", "\"WPA2_PSK\""},
    {"channel", "6", "6"},
    {"slave_number", "1", "1"},
    {"slave_address_mode", "dhcp", "\"dhcp\""},
    {"slave_address", "192.168.4.2", "\"192.168.4.2\""},
    {"master_address", "192.168.4.1", "\"192.168.4.1\""},
    {"gateway", "192.168.4.1", "\"192.168.4.1\""},
    {"off_allowed", "yes", "true"},
    {"direction", "supply", "\"supply\""},
    {"humidity_sensor", "on", "true"},
    {"relay_sensor", "on", "true"},
    {"sensor_0_10v", "on", "true"},
    {"humidity_threshold", "70", "70"},
    {"sensor_0_10v_threshold", "50", "50"},
    {"turn_off_delay", "00:10", "\"00:10\""},
    {"night_mode_timer", "08:00", "\"08:00\""},
    {"party_mode_timer", "01:00", "\"01:00\""},
    {"humidity_scenario", "boost-and-exhaust", "\"boost-and-exhaust\""},
    {"fan", "", ""},  // no key: the input only
}};
constexpr std::size_t kFirstFanKey = 11;

// The good file with `value` in place of key `k`'s value.
std::string Ini(std::size_t k, std::string_view value) {
  std::string out = "[wifi]\n";
  for (std::size_t i = 0; i + 1 < kKeys.size(); ++i) {
    if (i == kFirstFanKey) out += "[fan]\n";
    out += std::string(kKeys[i].name) + " = " + std::string(i == k ? value : kKeys[i].ini) + "\n";
  }
  return out;
}

std::string Json(std::size_t k, std::string_view value) {
  std::string out = "{\"wifi\": {";
  for (std::size_t i = 0; i + 1 < kKeys.size(); ++i) {
    if (i == kFirstFanKey) out += "}, \"fan\": {";
    else if (i > 0) out += ", ";
    out += "\n\"" + std::string(kKeys[i].name) + "\": " + std::string(i == k ? value : kKeys[i].json);
  }
  return out + "}}\n";
}

void Require(bool holds) {
  if (!holds) std::abort();
}

void RequirePrintable(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    for (char c : line) {
      const auto u = static_cast<unsigned char>(c);
      Require(u >= 0x20 && u != 0x7F);
    }
  }
}

// Every value a write sends, and the page's mode.
auto Values(const WiFiRecord& r) {
  const ombrel::WiFiSettings& v = r.values;
  return std::tie(r.master, r.withRouter, v.role, v.networkName, v.password, v.slaveNumber, v.slaveAddressMode,
                  v.slaveAddress, v.masterAddress, v.connectionType, v.channel, v.security, v.gateway);
}

bool Same(const SettingsRecord& a, const SettingsRecord& b) {
  return a.wifi.has_value() == b.wifi.has_value() && (!a.wifi || Values(*a.wifi) == Values(*b.wifi)) &&
         a.fan == b.fan;
}

void Check(std::string_view text) {
  const ParsedSettings parsed = ParseSettingsFile(text, "fuzz");
  RequirePrintable(parsed.problems);
  RequirePrintable(parsed.warnings);
  if (!parsed.problems.empty()) return;

  const std::string ini = FormatIni(parsed.record);
  const std::string json = FormatJson(parsed.record);
  for (const std::string& printed : {ini, json}) {
    const ParsedSettings again = ParseSettingsFile(printed, "printed");
    Require(again.problems.empty());
    Require(Same(again.record, parsed.record));
    Require(FormatIni(again.record) == ini);
    Require(FormatJson(again.record) == json);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Check(text);
  if (size == 0) return 0;
  const std::size_t k = data[0] % kKeys.size();
  if (k + 1 == kKeys.size()) return 0;
  Check(Ini(k, text.substr(1)));
  Check(Json(k, text.substr(1)));
  return 0;
}
