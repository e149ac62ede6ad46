// The settings file of `ombrel-cli read` and `write`: an INI file with a
// [wifi] and a [fan] section, or JSON with the same sections and keys.
// It holds every value the window's Apply/Save would send, so a write
// needs no read before it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/fan_upload.h"
#include "protocol/read_back.h"
#include "protocol/wifi_upload.h"

namespace ombrel::cli {

// The [wifi] section: the page's mode, and every Wi-Fi entry as the upload
// sends it. The mode takes some entries from the page and the rest as last
// known; the file gives both from the same value.
struct WiFiRecord {
  bool master = true;
  bool withRouter = false;
  WiFiSettings values;
  // The file left the password out (read --redact): `values.password` is
  // empty, and a write sends the unit's own in its place.
  bool passwordLeftOut = false;
};

// How a file stands for a password it leaves out: a bare word in
// parentheses in INI (a password read out is always quoted), an object in
// JSON (a password is always a string). Taken in the password key only.
inline constexpr std::string_view kLeftOutPasswordIni = "(not read out)";
inline constexpr std::string_view kLeftOutPasswordJson = "{\"redacted\": true}";

struct SettingsRecord {
  std::optional<WiFiRecord> wifi;
  std::optional<FanPage> fan;
};

// What the window's Apply/Save buttons would send after this read-back.
SettingsRecord RecordOfReading(const UnitReading& reading);

// The page that shows a [wifi] section, as the read-back of its values
// would leave it.
WiFiPage PageOfWiFiRecord(const WiFiRecord& record);

// `comment` lines come first, each after "; " (INI) or not at all (JSON).
std::string FormatIni(const SettingsRecord& record, const std::vector<std::string>& comment = {});
std::string FormatJson(const SettingsRecord& record);

struct ParsedSettings {
  SettingsRecord record;
  // One line per problem: "FILE:LINE: [section] key: what is wrong".
  std::vector<std::string> problems;
  // What the file may write but the user should know, one line each:
  // "FILE:LINE: warning: [section] key: ...". They never stop a write.
  std::vector<std::string> warnings;
};

// Reads and checks the whole file, INI or (starting with '{') JSON;
// `fileName` names it in the problems. Each of `sets` ("wifi.channel=11",
// from --set) stands for the file's value of its key, or gives a key the
// file lacks, and is checked as that value would be; its problems name it.
ParsedSettings ParseSettingsFile(std::string_view text, std::string_view fileName,
                                 std::span<const std::string> sets = {});

// `record`'s sections with `changes` taken in as a file's values, checked
// and warned of as a file is; messages begin with `whose` (no lines) for
// the record's own values and with the change for its own.
ParsedSettings ChangeSettings(const SettingsRecord& record, std::string_view whose,
                              std::span<const std::string> changes);

// Why a master without a router cannot have this password (the window's
// check), or empty.
std::string AccessPointPasswordProblem(const WiFiRecord& record);

// Each key of a section with its value as the INI form prints it (texts
// as UTF-8, without quotes or escapes), in the file's order.
using KeyValues = std::vector<std::pair<std::string_view, std::string>>;
KeyValues WiFiKeyValues(const WiFiRecord& record);
KeyValues FanKeyValues(const FanPage& fan);

// The keys of a section ("wifi", "fan") in the file's order; none for
// any other name.
std::vector<std::string_view> SectionKeys(std::string_view section);

// The keys of each section with what they take, for --help and the README.
std::string SettingsKeysHelp();

// How the file is written, the keys' list included, for --help: lines of
// at most 80 columns, the rules the readers follow.
std::string SettingsSyntaxHelp();

}  // namespace ombrel::cli
