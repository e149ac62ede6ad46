#include "cli/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <type_traits>

#include "cli/settings_change.h"
#include "cli/json_text.h"
#include "cli/settings_syntax.h"
#include "cli/unit_text.h"
#include "hid/utf16.h"
#include "protocol/conversions.h"

namespace ombrel::cli {
namespace {

// How a value is written: JSON tells numbers and flags from strings, INI
// quotes texts.
enum class Kind { Word, Text, Number, Flag, Address, Time };

template <class Section>
struct Field {
  std::string_view key;
  Kind kind;
  std::string_view takes;  // for the help
  std::function<std::string(const Section&)> format;
  // Empty when the value was taken, else what is wrong with it.
  std::function<std::string(Section&, const std::u16string&)> parse;
  // A comment for the INI line, or nothing.
  std::function<std::string(const Section&)> note = nullptr;
  // The file leaves the value out (a password read with --redact).
  std::function<bool(const Section&)> leftOut = nullptr;
};

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::optional<bool> ParseFlag(const std::u16string& value) {
  const std::string word = Lower(Narrow(value));
  if (word == "yes" || word == "on" || word == "true" || word == "1") return true;
  if (word == "no" || word == "off" || word == "false" || word == "0") return false;
  return std::nullopt;
}

// A decimal number of at most three digits.
std::optional<unsigned> ParseSmallNumber(const std::u16string& value) {
  if (value.empty() || value.size() > 3) return std::nullopt;
  unsigned n = 0;
  for (char16_t c : value) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + static_cast<unsigned>(c - u'0');
  }
  return n;
}

// Four decimal numbers from 0 to 255 joined by dots, nothing else.
std::optional<Ipv4Octets> ParseAddress(const std::u16string& value) {
  Ipv4Octets octets{};
  std::size_t start = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const std::size_t dot = k < 3 ? value.find(u'.', start) : value.size();
    if (dot == std::u16string::npos) return std::nullopt;
    const auto n = ParseSmallNumber(value.substr(start, dot - start));
    if (!n || *n > 255) return std::nullopt;
    octets[k] = static_cast<std::uint8_t>(*n);
    start = dot + 1;
  }
  return octets;
}

// The unit holds a timer in three bytes.
constexpr std::uint32_t kMaxTimerSeconds = 0xFFFFFF;

// A timer as the unit holds it: HH:MM, hours past 23 as they are, and
// HH:MM:SS when the seconds are not whole minutes.
std::string TimerText(std::uint32_t seconds) {
  const auto h = static_cast<unsigned>(seconds / 3600), m = static_cast<unsigned>(seconds / 60 % 60),
             sec = static_cast<unsigned>(seconds % 60);
  char text[32];
  if (sec == 0) std::snprintf(text, sizeof text, "%02u:%02u", h, m);
  else std::snprintf(text, sizeof text, "%02u:%02u:%02u", h, m, sec);
  return text;
}

// 1 to `most` decimal digits.
std::optional<std::uint32_t> Digits(std::u16string_view text, std::size_t most) {
  if (text.empty() || text.size() > most) return std::nullopt;
  std::uint32_t n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return n;
}

// H:MM to HHHH:MM, then :SS if need be; minutes and seconds below 60, the
// whole within the unit's three bytes.
std::optional<std::uint32_t> ParseTime(std::u16string_view value) {
  const auto colon = value.find(u':');
  if (colon == std::u16string_view::npos) return std::nullopt;
  const auto hours = Digits(value.substr(0, colon), 4);
  std::u16string_view rest = value.substr(colon + 1);
  std::optional<std::uint32_t> seconds = 0;
  if (const auto second = rest.find(u':'); second != std::u16string_view::npos) {
    seconds = rest.size() - second == 3 ? Digits(rest.substr(second + 1), 2) : std::nullopt;
    rest = rest.substr(0, second);
  }
  const auto minutes = rest.size() == 2 ? Digits(rest, 2) : std::nullopt;
  if (!hours || !minutes || !seconds || *minutes > 59 || *seconds > 59) return std::nullopt;
  const std::uint32_t total = *hours * 3600 + *minutes * 60 + *seconds;
  if (total > kMaxTimerSeconds) return std::nullopt;
  return total;
}

// The window's time field shows hours modulo 24 and drops the seconds.
bool WindowShowsTimer(std::uint32_t seconds) { return seconds < 24 * 3600 && seconds % 60 == 0; }

std::string FlagProblem() { return "expected yes or no (or on/off, true/false, 1/0)"; }

// The Wi-Fi module takes a name and a password as printable bytes only.
std::string ControlProblem(const std::u16string& text) {
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7F) {
      return "holds the control character " + HexEscape(static_cast<unsigned char>(c)) +
             ", which the unit's Wi-Fi module cannot use";
    }
  }
  return {};
}

// A byte for a list of names; any other byte as its number.
std::string NameOrNumber(std::uint8_t value, const std::map<std::uint8_t, std::string_view>& names) {
  const auto it = names.find(value);
  return it != names.end() ? std::string(it->second) : std::to_string(value);
}

const std::map<std::uint8_t, std::string_view> kSecurityNames{
    {'0', "OPEN"}, {'2', "WPA_PSK"}, {'3', "WPA2_PSK"}, {'4', "WPA_WPA2_PSK"}};
const std::map<std::uint8_t, std::string_view> kSlaveModeNames{{1, "dhcp"}, {0, "static"}};

std::string ThresholdProblem(unsigned low, unsigned high) {
  return "expected " + std::to_string(low) + " to " + std::to_string(high) + " in steps of 5";
}

template <class Section>
Field<Section> FlagField(std::string_view key, bool Section::*member, std::string_view yes, std::string_view no,
                         std::string_view takes) {
  return {key, Kind::Flag, takes,
          [=](const Section& s) { return std::string(s.*member ? yes : no); },
          [=](Section& s, const std::u16string& v) {
            const auto flag = ParseFlag(v);
            if (!flag) return FlagProblem();
            s.*member = *flag;
            return std::string();
          }};
}

Field<WiFiRecord> AddressField(std::string_view key, Ipv4Octets WiFiSettings::*member, std::string_view takes) {
  return {key, Kind::Address, takes, [=](const WiFiRecord& r) { return DottedText(r.values.*member); },
          [=](WiFiRecord& r, const std::u16string& v) {
            const auto octets = ParseAddress(v);
            if (!octets) return std::string("expected an IPv4 address such as 192.168.4.1");
            r.values.*member = *octets;
            return std::string();
          }};
}

Field<FanPage> TimeField(std::string_view key, std::uint32_t FanPage::*member, std::string_view takes) {
  return {key, Kind::Time, takes, [=](const FanPage& f) { return TimerText(f.*member); },
          [=](FanPage& f, const std::u16string& v) {
            const auto seconds = ParseTime(v);
            if (!seconds) return "expected a time HH:MM (hours may pass 23) up to " + TimerText(kMaxTimerSeconds);
            f.*member = *seconds;
            return std::string();
          },
          [=](const FanPage& f) {
            return WindowShowsTimer(f.*member) ? std::string() : "the window shows " + TimeTextFromSeconds(f.*member);
          }};
}

Field<FanPage> ThresholdField(std::string_view key, int FanPage::*member, TrackBarRange range,
                              std::string_view takes) {
  return {key, Kind::Number, takes,
          [=](const FanPage& f) { return std::to_string(PercentFromTrackBarPosition(f.*member)); },
          [=](FanPage& f, const std::u16string& v) {
            const auto low = static_cast<unsigned>(range.min * 5), high = static_cast<unsigned>(range.max * 5);
            const auto n = ParseSmallNumber(v);
            if (!n || *n < low || *n > high || *n % 5 != 0) return ThresholdProblem(low, high);
            f.*member = static_cast<int>(*n / 5);
            return std::string();
          }};
}

const std::vector<Field<WiFiRecord>>& WiFiFields() {
  static const std::vector<Field<WiFiRecord>> fields{
      {"role", Kind::Word, "master | slave", [](const WiFiRecord& r) { return std::string(r.master ? "master" : "slave"); },
       [](WiFiRecord& r, const std::u16string& v) {
         const std::string word = Lower(Narrow(v));
         if (word != "master" && word != "slave") return std::string("expected master or slave");
         r.master = word == "master";
         return std::string();
       }},
      FlagField<WiFiRecord>("router", &WiFiRecord::withRouter, "yes", "no",
                            "yes | no: the connection type, with or without a Wi-Fi router"),
      {"name", Kind::Text, "the Wi-Fi network's name, 1 to 32 characters",
       [](const WiFiRecord& r) { return Utf8OfUnitText(r.values.networkName); },
       [](WiFiRecord& r, const std::u16string& v) {
         if (v.empty() || v.size() > kMaxNetworkNameLength) {
           return "has " + std::to_string(v.size()) + " characters; a network name has 1 to 32";
         }
         if (std::string control = ControlProblem(v); !control.empty()) return control;
         r.values.networkName = v;
         return std::string();
       }},
      {"password", Kind::Text,
       "0 to 60 characters; 8 or more for a master without a router unless its security is OPEN",
       [](const WiFiRecord& r) { return Utf8OfUnitText(r.values.password); },
       [](WiFiRecord& r, const std::u16string& v) {
         if (v.size() > kMaxPasswordLength) {
           return "has " + std::to_string(v.size()) + " characters; a password has at most 60";
         }
         if (std::string control = ControlProblem(v); !control.empty()) return control;
         r.values.password = v;
         r.passwordLeftOut = false;
         return std::string();
       },
       [](const WiFiRecord& r) {
         return r.passwordLeftOut ? std::string("left out by --redact: a write keeps the unit's password")
                                  : std::string();
       },
       [](const WiFiRecord& r) { return r.passwordLeftOut; }},
      {"security", Kind::Word, "OPEN | WPA_PSK | WPA2_PSK | WPA_WPA2_PSK (of a master without a router)",
       [](const WiFiRecord& r) { return NameOrNumber(r.values.security, kSecurityNames); },
       [](WiFiRecord& r, const std::u16string& v) {
         const std::string word = Lower(Narrow(v));
         for (const auto& [digit, name] : kSecurityNames) {
           if (word == Lower(std::string(name))) {
             r.values.security = digit;
             return std::string();
           }
         }
         return std::string("expected OPEN, WPA_PSK, WPA2_PSK or WPA_WPA2_PSK");
       }},
      {"channel", Kind::Number, "1 to 13 (of a master without a router)",
       [](const WiFiRecord& r) { return std::to_string(r.values.channel); },
       [](WiFiRecord& r, const std::u16string& v) {
         const auto n = ParseSmallNumber(v);
         if (!n || *n < 1 || *n > 13) return std::string("expected a channel from 1 to 13");
         r.values.channel = static_cast<std::uint8_t>(*n);
         return std::string();
       }},
      {"slave_number", Kind::Number, "1 to 32 (of a slave)",
       [](const WiFiRecord& r) { return std::to_string(r.values.slaveNumber + 1); },
       [](WiFiRecord& r, const std::u16string& v) {
         const auto n = ParseSmallNumber(v);
         if (!n || *n < 1 || *n > 32) return std::string("expected a slave number from 1 to 32");
         r.values.slaveNumber = static_cast<std::uint8_t>(*n - 1);
         return std::string();
       }},
      {"slave_address_mode", Kind::Word, "dhcp | static (of a slave with a router)",
       [](const WiFiRecord& r) { return NameOrNumber(r.values.slaveAddressMode, kSlaveModeNames); },
       [](WiFiRecord& r, const std::u16string& v) {
         const std::string word = Lower(Narrow(v));
         if (word != "dhcp" && word != "static") return std::string("expected dhcp or static");
         r.values.slaveAddressMode = word == "dhcp" ? 1 : 0;
         return std::string();
       }},
      AddressField("slave_address", &WiFiSettings::slaveAddress, "IPv4 address (of a slave)"),
      AddressField("master_address", &WiFiSettings::masterAddress,
                   "IPv4 address (with a router; without one it is always 192.168.4.1)"),
      AddressField("gateway", &WiFiSettings::gateway, "IPv4 address of the default gateway"),
  };
  return fields;
}

const std::vector<Field<FanPage>>& FanFields() {
  static const std::vector<Field<FanPage>> fields{
      FlagField<FanPage>("off_allowed", &FanPage::offAllowed, "yes", "no", "yes | no: the unit may be switched off"),
      {"direction", Kind::Word, "supply | exhaust: the air direction (Pendra)",
       [](const FanPage& f) { return std::string(f.exhaust ? "exhaust" : "supply"); },
       [](FanPage& f, const std::u16string& v) {
         const std::string word = Lower(Narrow(v));
         if (word != "supply" && word != "exhaust") return std::string("expected supply or exhaust");
         f.exhaust = word == "exhaust";
         return std::string();
       }},
      FlagField<FanPage>("humidity_sensor", &FanPage::humiditySensor, "on", "off", "on | off"),
      FlagField<FanPage>("relay_sensor", &FanPage::relaySensor, "on", "off", "on | off"),
      FlagField<FanPage>("sensor_0_10v", &FanPage::sensor0To10V, "on", "off", "on | off: the 0-10 V sensor"),
      ThresholdField("humidity_threshold", &FanPage::humidityPosition, kHumidityTrackBar,
                     "40 to 80 in steps of 5 (%RH)"),
      ThresholdField("sensor_0_10v_threshold", &FanPage::sensor0To10VPosition, kExternalSensor2TrackBar,
                     "5 to 100 in steps of 5 (%)"),
      TimeField("turn_off_delay", &FanPage::turnOffDelay, "HH:MM or HH:MM:SS, the turn-off delay timer"),
      TimeField("night_mode_timer", &FanPage::nightMode, "HH:MM or HH:MM:SS"),
      TimeField("party_mode_timer", &FanPage::partyMode, "HH:MM or HH:MM:SS"),
      {"humidity_scenario", Kind::Word,
       "boost-and-exhaust | boost-in-current-mode: the humidity control scenario (Pendra DUO)",
       [](const FanPage& f) { return std::string(f.boostAndExhaust ? "boost-and-exhaust" : "boost-in-current-mode"); },
       [](FanPage& f, const std::u16string& v) {
         const std::string word = Lower(Narrow(v));
         if (word != "boost-and-exhaust" && word != "boost-in-current-mode") {
           return std::string("expected boost-and-exhaust or boost-in-current-mode");
         }
         f.boostAndExhaust = word == "boost-and-exhaust";
         return std::string();
       }},
  };
  return fields;
}

// A text in quotes for the INI form, with the quote and the backslash
// escaped and control characters written \xHH.
std::string IniQuoted(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      out += HexEscape(u);
    } else {
      out += c;
    }
  }
  return out + "\"";
}


bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

template <class Section>
void AppendIni(std::string& out, std::string_view name, const Section& section,
               const std::vector<Field<Section>>& fields) {
  out += "[" + std::string(name) + "]\n";
  for (const auto& field : fields) {
    const bool leftOut = field.leftOut && field.leftOut(section);
    const std::string value = field.format(section);
    const std::string note = field.note ? field.note(section) : std::string();
    out += std::string(field.key) + " = " +
           (leftOut ? std::string(kLeftOutPasswordIni) : field.kind == Kind::Text ? IniQuoted(value) : value) +
           (note.empty() ? "" : " ; " + note) + "\n";
  }
}

template <class Section>
void AppendJson(std::string& out, std::string_view name, const Section& section,
                const std::vector<Field<Section>>& fields) {
  out += "  \"" + std::string(name) + "\": {\n";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const auto& field = fields[i];
    const std::string value = field.format(section);
    std::string json;
    if (field.leftOut && field.leftOut(section)) {
      json = kLeftOutPasswordJson;
    } else if (field.kind == Kind::Flag) {
      json = ParseFlag(std::u16string(value.begin(), value.end())).value_or(false) ? "true" : "false";
    } else if (field.kind == Kind::Number || (field.kind == Kind::Word && AllDigits(value))) {
      json = value;  // a number, also where a name was expected and the unit held another byte
    } else {
      json = JsonString(value);
    }
    out += "    \"" + std::string(field.key) + "\": " + json + (i + 1 < fields.size() ? ",\n" : "\n");
  }
  out += "  }";
}

struct SectionState {
  std::size_t line = 0;
  std::map<std::string, std::size_t, std::less<>> keyLines;
  // Keys whose value was wrong: no later check looks at them again.
  std::vector<std::string> wrongKeys;
};

template <class Section>
std::vector<std::string_view> MissingKeys(const SectionState& state, const std::vector<Field<Section>>& fields) {
  std::vector<std::string_view> missing;
  for (const auto& field : fields)
    if (!state.keyLines.contains(field.key)) missing.push_back(field.key);
  return missing;
}

// `text` after `first`, broken at blanks into lines of at most 80 columns,
// the lines after the first indented to the first's width.
std::string Wrapped(std::string first, std::string_view text) {
  const std::size_t indent = first.size();
  std::string out, line = std::move(first);
  std::istringstream words{std::string(text)};
  for (std::string word; words >> word;) {
    if (line.size() > indent && line.size() + 1 + word.size() > 80) {
      out += line + "\n";
      line = std::string(indent, ' ');
    }
    line += (line.size() > indent ? " " : "") + word;
  }
  return out + line + "\n";
}

template <class Section>
std::string KeysHelp(std::string_view name, const std::vector<Field<Section>>& fields) {
  std::string out = "  [" + std::string(name) + "]\n";
  for (const auto& field : fields) {
    std::string key = "    " + std::string(field.key);
    key.resize(std::max<std::size_t>(key.size() + 1, 28), ' ');
    out += Wrapped(key, field.takes);
  }
  return out;
}

}  // namespace

SettingsRecord RecordOfReading(const UnitReading& reading) {
  WiFiRecord wifi{reading.wifi.master, reading.wifi.withRouter, reading.lastKnown};
  // The texts and the gateway come from the page alone, also where the
  // taking below ends early at a list without a selection.
  wifi.values.networkName = reading.wifi.networkName;
  wifi.values.password = reading.wifi.password;
  wifi.values.gateway = reading.wifi.gateway;
  // The upload's own taking, its checks aside: what Apply/Save would send.
  TakeWiFiPage(wifi.values, reading.wifi);
  // The timers as the unit holds them, where the window's fields would
  // drop whole days and seconds: a write of the file changes none.
  FanPage fan = reading.fan;
  fan.turnOffDelay = reading.heldTimers.turnOffDelay;
  fan.nightMode = reading.heldTimers.nightMode;
  fan.partyMode = reading.heldTimers.partyMode;
  return {wifi, fan};
}

WiFiPage PageOfWiFiRecord(const WiFiRecord& r) {
  WiFiPage page;
  page.master = r.master;
  page.withRouter = r.withRouter;
  page.networkName = r.values.networkName;
  page.password = r.values.password;
  page.channel = r.values.channel;
  page.slaveNumber = static_cast<std::uint8_t>(r.values.slaveNumber + 1);
  page.securityIndex = SecurityIndexFromDigit(r.values.security).value_or(-1);
  page.slaveAddressIndex = SlaveAddressIndexOfMode(r.values.slaveAddressMode).value_or(-1);
  page.masterAddress = r.values.masterAddress;
  page.slaveAddress = r.values.slaveAddress;
  page.gateway = r.values.gateway;
  return page;
}

std::string FormatIni(const SettingsRecord& record, const std::vector<std::string>& comment) {
  std::string out;
  for (const std::string& line : comment) out += "; " + line + "\n";
  if (record.wifi) AppendIni(out, "wifi", *record.wifi, WiFiFields());
  if (record.wifi && record.fan) out += "\n";
  if (record.fan) AppendIni(out, "fan", *record.fan, FanFields());
  return out;
}

std::string FormatJson(const SettingsRecord& record) {
  std::string out = "{\n";
  if (record.wifi) AppendJson(out, "wifi", *record.wifi, WiFiFields());
  if (record.wifi && record.fan) out += ",\n";
  else if (record.wifi) out += "\n";
  if (record.fan) {
    AppendJson(out, "fan", *record.fan, FanFields());
    out += "\n";
  }
  return out + "}\n";
}

namespace {

// What JSON type a key takes. Yes/no keys take true or false only: read
// --json prints them so, and "yes" in quotes is more likely a slip than a
// choice. A word key also takes a number, which read --json prints for a
// byte the unit held that has no name; its own check then refuses it as
// the INI form's does.
std::string JsonTypeProblem(Kind kind, ValueForm form, std::string_view shown) {
  if (form == ValueForm::Ini) return {};
  const auto found = [&] {
    switch (form) {
      case ValueForm::String: return std::string("a string");
      case ValueForm::Number: return std::string("a number");
      case ValueForm::Boolean: return std::string(shown);
      case ValueForm::Null: return std::string("null");
      case ValueForm::Array: return std::string("an array");
      default: return std::string("an object");
    }
  };
  switch (kind) {
    case Kind::Text:
    case Kind::Address:
    case Kind::Time:
      return form == ValueForm::String ? std::string() : "expected a string, found " + found();
    case Kind::Word:
      return form == ValueForm::String || form == ValueForm::Number ? std::string()
                                                                     : "expected a string, found " + found();
    case Kind::Number:
      return form == ValueForm::Number ? std::string() : "expected a whole number, found " + found();
    case Kind::Flag:
      return form == ValueForm::Boolean ? std::string() : "expected true or false, found " + found();
  }
  return {};
}

// JSON without the blanks between its tokens.
std::string WithoutJsonBlanks(std::string_view json) {
  std::string out;
  bool inString = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      out += c;
      if (c == '\\' && i + 1 < json.size()) out += json[++i];
      else if (c == '"') inString = false;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    inString = c == '"';
    out += c;
  }
  return out;
}

// The password's stand-in as read --redact prints it. A quoted INI text
// and a JSON string are always a password, whatever they say.
bool IsLeftOutPassword(const ValueText& value, std::string_view shown) {
  if (value.form == ValueForm::Ini) return shown == kLeftOutPasswordIni;
  return value.form == ValueForm::Object && WithoutJsonBlanks(shown) == WithoutJsonBlanks(kLeftOutPasswordJson);
}

// The place of a value given on the command line: past any line of a
// file, so that its messages follow the file's, in the order given.
constexpr std::size_t kFirstChange = std::numeric_limits<std::size_t>::max() / 2;

// Gathers the sections and values of a file, whichever its form, checks
// each value as it comes and the file as a whole at the end.
class Collector final : public SettingsReceiver {
 public:
  // `withLines`: messages name the file's lines (a record's own text has
  // none worth naming). `changes` come in after the file (TakeChanges).
  Collector(std::string_view fileName, bool withLines, std::span<const std::string> changes,
            std::string_view changePrefix)
      : name_(fileName), withLines_(withLines) {
    for (const std::string& words : changes) changes_.push_back(ParseSettingChange(words, changePrefix));
  }

  void Problem(std::size_t line, const std::string& what) override { problems_.emplace_back(line, Where(line) + what); }

  void Warning(std::size_t line, const std::string& what) {
    warnings_.emplace_back(line, Where(line) + "warning: " + what);
  }

  // Each change in place of the file's value of its key, checked as that
  // value is; a change of a section the file does not give is refused.
  void TakeChanges() {
    for (std::size_t i = 0; i < changes_.size(); ++i) {
      const SettingChange& c = changes_[i];
      const std::size_t at = kFirstChange + i;
      if (!c.problem.empty()) {
        Problem(at, c.problem);
        continue;
      }
      if (const auto first = EarlierChange(changes_, i)) {
        Problem(at, GivenTwice(c, changes_[*first]));
        continue;
      }
      const bool wifi = c.section == "wifi";
      if (!(wifi ? wifiState_ : fanState_)) {
        Problem(at, name_ + " has no [" + c.section + "] section to change (a change adds no section)");
        continue;
      }
      in_ = wifi ? In::WiFi : In::Fan;
      const std::string_view shown = ShownIniValue(c.value);
      if (wifi) Take(wifi_, WiFiFields(), *wifiState_, "wifi", c.key, at, shown, ReadIniValue(c.value));
      else Take(fan_, FanFields(), *fanState_, "fan", c.key, at, shown, ReadIniValue(c.value));
    }
    in_ = In::Nothing;
  }

  bool Section(std::string section, std::size_t line) override {
    section = Lower(std::move(section));
    std::optional<SectionState>* state = section == "wifi" ? &wifiState_ : section == "fan" ? &fanState_ : nullptr;
    in_ = In::Unknown;
    if (state == nullptr) {
      Problem(line, "unknown section [" + Printable(section) + "] (there are [wifi] and [fan])");
    } else if (state->has_value()) {
      Problem(line, "[" + section + "] comes a second time (first on line " + std::to_string((*state)->line) + ")");
    } else {
      state->emplace().line = line;
      in_ = section == "wifi" ? In::WiFi : In::Fan;
    }
    return in_ != In::Unknown;
  }

  void LeaveSection() override { in_ = In::Nothing; }
  void IgnoreSection() override { in_ = In::Unknown; }

  void Value(std::string key, std::size_t line, std::string_view shown, const ValueText& value) override {
    key = Lower(std::move(key));
    if (in_ == In::Nothing) {
      Problem(line, "key " + Quoted(key) + " comes before any section ([wifi] or [fan])");
      return;
    }
    if (in_ == In::Unknown) return;  // its section is reported already
    if (in_ == In::WiFi) Take(wifi_, WiFiFields(), *wifiState_, "wifi", key, line, shown, value);
    else Take(fan_, FanFields(), *fanState_, "fan", key, line, shown, value);
  }

  void Abandon() override { abandoned_ = true; }

  ParsedSettings Finish() {
    ParsedSettings parsed;
    if (wifiState_) {
      if (!abandoned_) ReportMissing(*wifiState_, WiFiFields(), "wifi");
      // The access point's own password: the window's check. A password
      // left out is the unit's, checked when a write has read it.
      const auto passwordLine = Read(*wifiState_, "password");
      if (passwordLine && !wifi_.passwordLeftOut) {
        if (const std::string wrong = AccessPointPasswordProblem(wifi_); !wrong.empty()) {
          Problem(*passwordLine, "[wifi] password: " + wrong);
        }
      }
      WarnOfWiFi();
      wifi_.values.role = wifi_.master ? 1 : 0;
      wifi_.values.connectionType = wifi_.master && !wifi_.withRouter ? 2 : 1;
      parsed.record.wifi = wifi_;
    }
    if (fanState_) {
      if (!abandoned_) ReportMissing(*fanState_, FanFields(), "fan");
      parsed.record.fan = fan_;
    }
    // In the file's order.
    const auto byLine = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::stable_sort(problems_.begin(), problems_.end(), byLine);
    std::stable_sort(warnings_.begin(), warnings_.end(), byLine);
    for (auto& p : problems_) parsed.problems.push_back(std::move(p.second));
    for (auto& w : warnings_) parsed.warnings.push_back(std::move(w.second));
    if (!wifiState_ && !fanState_ && parsed.problems.empty()) {
      parsed.problems.push_back(name_ + ": no [wifi] or [fan] section: nothing to write");
    }
    return parsed;
  }

 private:
  enum class In { Nothing, WiFi, Fan, Unknown };

  // How a message begins: the change, or the file and its line.
  std::string Where(std::size_t line) const {
    if (line >= kFirstChange) return changes_[line - kFirstChange].shown + ": ";
    return withLines_ ? name_ + ":" + std::to_string(line) + ": " : name_ + ": ";
  }

  // A change stands for the file's value of this key.
  bool Changed(std::string_view section, std::string_view key) const {
    return std::any_of(changes_.begin(), changes_.end(), [&](const SettingChange& c) {
      return c.problem.empty() && c.section == section && c.key == key;
    });
  }

  // The line of a key whose value was taken; empty when it is missing or wrong.
  static std::optional<std::size_t> Read(const SectionState& state, std::string_view key) {
    const auto it = state.keyLines.find(key);
    if (it == state.keyLines.end()) return std::nullopt;
    if (std::find(state.wrongKeys.begin(), state.wrongKeys.end(), key) != state.wrongKeys.end()) return std::nullopt;
    return it->second;
  }

  // Values the upload does not send as the file has them (TakeWiFiPage),
  // and texts that may not be the bytes the network has.
  void WarnOfWiFi() {
    const SectionState& state = *wifiState_;
    const WiFiSettings& v = wifi_.values;
    const auto masterAddress = Read(state, "master_address");
    const auto slaveMode = Read(state, "slave_address_mode");
    const auto router = Read(state, "router");
    const auto name = Read(state, "name");
    const auto password = Read(state, "password");
    if (Read(state, "role") && router && !wifi_.withRouter) {
      const std::string who = wifi_.master ? "a master without a router always has the address "
                                           : "a slave without a router always has its master at ";
      if (masterAddress && v.masterAddress != kAccessPointAddress) {
        Warning(*masterAddress, "[wifi] master_address: " + DottedText(v.masterAddress) + " is not sent; " + who +
                                    DottedText(kAccessPointAddress));
      }
      if (!wifi_.master && slaveMode && v.slaveAddressMode != 1) {
        Warning(*slaveMode, "[wifi] slave_address_mode: static is not sent; a slave without a router always "
                            "takes its address by dhcp");
      }
    }
    if (Read(state, "role") && !wifi_.master && router && name && SlaveJoinsRouter(v.networkName) != wifi_.withRouter) {
      const std::string prefix = "\"" + Narrow(std::u16string(kAccessPointNamePrefix)) + "\"";
      Warning(*router, std::string("[wifi] router: a slave's connection type is not sent, and a read-back takes it "
                                   "from the network's name: one ") +
                           (wifi_.withRouter ? "beginning with " : "not beginning with ") + prefix +
                           " (a master's own network) reads back as router = " + (wifi_.withRouter ? "no" : "yes"));
    }
    if (name) WarnOfLatin1(*name, "name", v.networkName);
    if (password) WarnOfLatin1(*password, "password", v.password);
  }

  // The unit keeps one byte for each character: what lies beyond ASCII goes
  // as its Latin-1 byte, where a network set up elsewhere most likely has
  // UTF-8. A password is not repeated, so it gets no example of its own.
  void WarnOfLatin1(std::size_t line, std::string_view key, const std::u16string& text) {
    const auto beyond = std::count_if(text.begin(), text.end(), [](char16_t c) { return c >= 0x80; });
    if (beyond == 0) return;
    const std::string where = "[wifi] " + std::string(key) + ": ";
    if (key == "password") {
      Warning(line, where + "holds " + (beyond == 1 ? "a character" : std::to_string(beyond) + " characters") +
                        " from U+0080 to U+00FF, which the unit takes as one byte each (Latin-1); a network "
                        "whose password is UTF-8 has two bytes for each. If the unit does not join, write "
                        "them as their UTF-8 bytes (in INI \\xC3\\xA9 for \xC3\xA9)");
      return;
    }
    const char16_t c = *std::find_if(text.begin(), text.end(), [](char16_t ch) { return ch >= 0x80; });
    std::string utf8;
    AppendUtf8(utf8, c);
    char bytes[32];
    std::snprintf(bytes, sizeof bytes, "%02X", static_cast<unsigned>(c));
    std::string utf8Bytes;
    for (unsigned char b : utf8) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(b));
      utf8Bytes += (utf8Bytes.empty() ? "" : " ") + std::string(hex);
    }
    Warning(line, where + "\"" + Printable(utf8) + "\"" +
                      (beyond > 1 ? " (the first of " + std::to_string(beyond) + " such characters)" : "") +
                      " goes to the unit as the byte " + bytes + " (Latin-1); a network whose name is UTF-8 has " +
                      utf8Bytes + " for it. If the unit does not join, write the name as ombrel-cli scan prints it");
  }

  template <class Section>
  void Take(Section& section, const std::vector<Field<Section>>& fields, SectionState& state,
            std::string_view sectionName, const std::string& key, std::size_t line, std::string_view shown,
            const ValueText& value) {
    const std::string where = "[" + std::string(sectionName) + "] " + key + ": ";
    const auto field = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.key == key; });
    if (field == fields.end()) {
      Problem(line, "[" + std::string(sectionName) + "] unknown key " + Quoted(key));
      return;
    }
    const bool change = line >= kFirstChange;
    if (const auto it = state.keyLines.find(key); it != state.keyLines.end() && !change) {
      Problem(line, where + "comes a second time (first on line " + std::to_string(it->second) + ")");
      return;
    }
    // The file's value of a changed key is not looked at; the key counts
    // as given, at the change's place.
    state.keyLines.insert_or_assign(key, line);
    if (!change && Changed(sectionName, key)) return;
    if constexpr (std::is_same_v<Section, WiFiRecord>) {
      if (key == "password" && IsLeftOutPassword(value, shown)) {
        section.passwordLeftOut = true;
        section.values.password.clear();
        return;
      }
    }
    const auto refuse = [&](const std::string& what) {
      state.wrongKeys.push_back(key);
      Problem(line, where + what);
    };
    if (std::string wrong = JsonTypeProblem(field->kind, value.form, shown); !wrong.empty()) return refuse(wrong);
    if (field->kind == Kind::Number && value.form == ValueForm::Number && !AllDigits(shown)) {
      state.wrongKeys.push_back(key);
      Problem(line, "[" + std::string(sectionName) + "] " + key + " = " + Printable(shown) +
                        ": expected a whole number");
      return;
    }
    // What stands before the comment may be the whole text or only its start.
    if (field->kind == Kind::Text && value.cutAtComment) {
      return refuse(
          "an unquoted text may not hold \" ;\" or \" #\"; put the text in quotes (\"...\") to keep it, and a "
          "comment may follow the closing quote");
    }
    if (!value.problem.empty()) return refuse("the value " + value.problem);
    if (const std::string wrong = field->parse(section, value.text); !wrong.empty()) {
      state.wrongKeys.push_back(key);
      // A change is named already; texts are not repeated: one may be a password.
      if (change) Problem(line, wrong);
      else if (field->kind == Kind::Text) Problem(line, where + wrong);
      else Problem(line, "[" + std::string(sectionName) + "] " + key + " = " + Printable(shown) + ": " + wrong);
    }
  }

  template <class Section>
  void ReportMissing(const SectionState& state, const std::vector<Field<Section>>& fields,
                     std::string_view sectionName) {
    const auto missing = MissingKeys(state, fields);
    if (missing.empty()) return;
    std::string list;
    for (std::string_view key : missing) list += (list.empty() ? "" : ", ") + std::string(key);
    Problem(state.line, "[" + std::string(sectionName) + "] lacks " + list +
                            " (a section gives every key, so nothing is sent that the file does not say)");
  }

  std::string name_;
  bool withLines_ = true;
  std::vector<SettingChange> changes_;
  std::vector<std::pair<std::size_t, std::string>> problems_, warnings_;
  std::optional<SectionState> wifiState_, fanState_;
  WiFiRecord wifi_;
  FanPage fan_;
  In in_ = In::Nothing;
  bool abandoned_ = false;
};

// A file saved as UTF-16, or one holding NUL bytes, is no text this reads:
// one problem says so instead of one for each line.
std::optional<std::string> NotText(std::string_view text, std::string_view fileName) {
  const std::string name(fileName);
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return name + " is UTF-16; save it as UTF-8";
  if (text.find('\0') == std::string_view::npos) return std::nullopt;
  // Without a byte order mark: ASCII in UTF-16 has a NUL in every other byte.
  const std::size_t pairs = std::min<std::size_t>(text.size(), 64) / 2;
  std::size_t evenNuls = 0, oddNuls = 0;
  for (std::size_t i = 0; i < pairs * 2; ++i) {
    if (text[i] == '\0') ++(i % 2 == 0 ? evenNuls : oddNuls);
  }
  const bool utf16 = pairs >= 2 && ((evenNuls == 0 && oddNuls * 4 >= pairs * 3) ||
                                    (oddNuls == 0 && evenNuls * 4 >= pairs * 3));
  if (utf16) return name + " is UTF-16; save it as UTF-8";
  return name + " holds NUL bytes; it is not a text settings file";
}

// JSON begins with '{', or with '[' for an array, which is refused; an INI
// section header's name begins with none of these.
bool LooksLikeJson(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return false;
  if (text[first] == '{') return true;
  if (text[first] != '[') return false;
  const auto next = text.find_first_not_of(" \t\r\n", first + 1);
  return next != std::string_view::npos && std::string_view("{[]\"-0123456789").find(text[next]) != std::string_view::npos;
}

}  // namespace

ParsedSettings ParseSettingsFile(std::string_view text, std::string_view fileName,
                                 std::span<const std::string> sets) {
  if (auto notText = NotText(text, fileName)) {
    ParsedSettings parsed;
    parsed.problems.push_back(std::move(*notText));
    return parsed;
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Collector collector(fileName, true, sets, "--set ");
  if (LooksLikeJson(text)) {
    ReadJsonSettings(text, collector);
  } else {
    ReadIniSettings(text, collector);
  }
  collector.TakeChanges();
  return collector.Finish();
}

ParsedSettings ChangeSettings(const SettingsRecord& record, std::string_view whose,
                              std::span<const std::string> changes) {
  // The record as its file, so that a change meets every check a file's
  // value meets, beside the record's own values.
  Collector collector(whose, false, changes, "");
  ReadIniSettings(FormatIni(record), collector);
  collector.TakeChanges();
  return collector.Finish();
}

std::string AccessPointPasswordProblem(const WiFiRecord& r) {
  const auto securityIndex = SecurityIndexFromDigit(r.values.security);
  if (!r.master || r.withRouter || !securityIndex || *securityIndex == kSecurityOpen ||
      r.values.password.size() >= kMinPasswordLength) {
    return {};
  }
  return "has " + std::to_string(r.values.password.size()) +
         " characters; a master without a router needs 8 to 60 unless its security is OPEN";
}

namespace {

template <class Section>
KeyValues ValuesOf(const Section& section, const std::vector<Field<Section>>& fields) {
  KeyValues values;
  for (const auto& field : fields) {
    const bool leftOut = field.leftOut && field.leftOut(section);
    values.emplace_back(field.key, leftOut ? std::string(kLeftOutPasswordIni) : field.format(section));
  }
  return values;
}

template <class Section>
std::vector<std::string_view> KeysOf(const std::vector<Field<Section>>& fields) {
  std::vector<std::string_view> keys;
  for (const auto& field : fields) keys.push_back(field.key);
  return keys;
}

}  // namespace

KeyValues WiFiKeyValues(const WiFiRecord& record) { return ValuesOf(record, WiFiFields()); }
KeyValues FanKeyValues(const FanPage& fan) { return ValuesOf(fan, FanFields()); }

std::vector<std::string_view> SectionKeys(std::string_view section) {
  if (section == "wifi") return KeysOf(WiFiFields());
  if (section == "fan") return KeysOf(FanFields());
  return {};
}

std::string SettingsKeysHelp() { return KeysHelp("wifi", WiFiFields()) + KeysHelp("fan", FanFields()); }

std::string SettingsSyntaxHelp() {
  return "Settings file: an INI file with a [wifi] and a [fan] section, key = value on\n"
         "each line. A line starting with ; or # is a comment, and so is the rest of a\n"
         "line after a blank and ; or #; a comment may follow a section header too.\n"
         "A text (name, password) may stand bare unless it holds a blank followed by ;\n"
         "or #, or in quotes: \"...\", where \\\" is a quote, \\\\ a backslash and \\xHH the\n"
         "byte HH, and no other escape is taken (write C:\\\\new for C:\\new). A comment\n"
         "may follow the closing quote. Texts hold no control characters (\\x00 to \\x1F,\n"
         "\\x7F): the unit's Wi-Fi module cannot use them. The unit keeps one byte for\n"
         "each character: \xC3\xA9 goes as the byte E9 (Latin-1); characters past U+00FF are\n"
         "refused. Section names, keys and words may be in any case. In INI, a yes | no\n"
         "or on | off key takes any of yes/no, on/off, true/false and 1/0.\n"
         "Times are HH:MM, or HH:MM:SS, as the unit holds them: hours may pass 23, up to\n" +
         TimerText(kMaxTimerSeconds) +
         " (the window shows hours modulo 24 and no seconds).\n"
         "JSON, as read --json prints it, has the same sections and keys: yes/no keys\n"
         "take true or false, numbers whole numbers, every other key a string; JSON's\n"
         "own string escapes are taken. null is refused.\n"
         "A section gives every one of its keys:\n" +
         SettingsKeysHelp();
}

}  // namespace ombrel::cli
