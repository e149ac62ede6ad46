// The settings file read on its own: what a file holds, which problems
// refuse it, which warnings let it write, and that what ombrel-cli prints
// reads back to the same values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/settings_file.h"
#include "tests/cli/good_settings_file.h"

namespace ombrel::test {
namespace {

using cli::ParsedSettings;
using cli::ParseSettingsFile;

// The good file with each "key = ..." line of `changes` in place of the
// line of that key (or header, for a line starting with '[').
std::string Ini(const std::vector<std::string>& changes) {
  std::string out;
  const std::string good = kWiFi + kFan;
  for (std::size_t at = 0; at < good.size();) {
    const std::size_t end = good.find('\n', at) + 1;
    std::string line = good.substr(at, end - at);
    for (const std::string& change : changes) {
      const std::string key = change.substr(0, change.find_first_of(" ]") + (change.front() == '[' ? 1 : 0));
      if (line.starts_with(key + (change.front() == '[' ? "" : " ="))) line = change + "\n";
    }
    out += line;
    at = end;
  }
  return out;
}

// The same file as read --json prints it, with each "\"key\": ..." member
// of `changes` in place of that key's member.
std::string Json(const std::vector<std::string>& changes) {
  std::string out =
      "{\n"                                      // 1
      "  \"wifi\": {\n"                          // 2
      "    \"role\": \"master\",\n"              // 3
      "    \"router\": false,\n"                 // 4
      "    \"name\": \"Kirrowind_Pendra\",\n"    // 5
      "    \"password\": \"12345678\",\n"        // 6
      "    \"security\": \"WPA2_PSK\",\n"        // 7
      "    \"channel\": 6,\n"                    // 8
      "    \"slave_number\": 1,\n"               // 9
      "    \"slave_address_mode\": \"dhcp\",\n"  // 10
      "    \"slave_address\": \"192.168.4.2\",\n"
      "    \"master_address\": \"192.168.4.1\",\n"
      "    \"gateway\": \"192.168.4.1\"\n"       // 13
      "  },\n"                                   // 14
      "  \"fan\": {\n"                           // 15
      "    \"off_allowed\": true,\n"             // 16
      "    \"direction\": \"supply\",\n"         // 17
      "    \"humidity_sensor\": true,\n"
      "    \"relay_sensor\": true,\n"
      "    \"sensor_0_10v\": true,\n"
      "    \"humidity_threshold\": 70,\n"
      "    \"sensor_0_10v_threshold\": 50,\n"
      "    \"turn_off_delay\": \"00:10\",\n"     // 23
      "    \"night_mode_timer\": \"08:00\",\n"
      "    \"party_mode_timer\": \"01:00\",\n"
      "    \"humidity_scenario\": \"boost-and-exhaust\"\n"
      "  }\n"
      "}\n";
  for (const std::string& change : changes) {
    const std::string key = change.substr(0, change.find(':') + 1);
    const std::size_t at = out.find(key);
    const std::size_t end = out.find_first_of(",\n", out.find(key) + key.size() + 1);
    if (at == std::string::npos) ADD_FAILURE() << "no member " << key;
    else out.replace(at, end - at, change);
  }
  return out;
}

ParsedSettings Parse(const std::string& text) { return ParseSettingsFile(text, "f"); }

struct FileCase {
  const char* what;
  std::string file;
  std::vector<std::string> lines;  // every problem, or every warning
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.what; }

std::string CaseName(const testing::TestParamInfo<FileCase>& info) { return info.param.what; }

class Refused : public testing::TestWithParam<FileCase> {};

TEST_P(Refused, WithEveryProblemNamedAndNothingTheFileHoldsEchoedRaw) {
  const ParsedSettings parsed = Parse(GetParam().file);
  EXPECT_EQ(parsed.problems, GetParam().lines);
  for (const std::string& line : parsed.problems) {
    for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << line;
  }
}

const std::string kQuoteIt =
    "an unquoted text may not hold \" ;\" or \" #\"; put the text in quotes (\"...\") to keep it, and a comment "
    "may follow the closing quote";
const std::string kNoTime = "expected a time HH:MM (hours may pass 23) up to 4660:20:15";

INSTANTIATE_TEST_SUITE_P(
    Ini, Refused,
    testing::Values(
        FileCase{"PasswordWithAHashAfterABlank", Ini({"password = pass #1 word"}),
                 {"f:5: [wifi] password: " + kQuoteIt}},
        FileCase{"NameWithACommentAfterIt", Ini({"name = Home ; the house"}), {"f:4: [wifi] name: " + kQuoteIt}},
        FileCase{"NameWithATabBeforeTheSemicolon", Ini({"name = Home\t;x"}), {"f:4: [wifi] name: " + kQuoteIt}},
        FileCase{"TextAfterASectionHeader", Ini({"[wifi] x"}),
                 {"f:1: a section header ends with ']' (a comment may follow it)"}},
        FileCase{"BackslashNInQuotes", Ini({"name = \"C:\\new\""}),
                 {"f:4: [wifi] name: the value has an unknown escape \\n; a quoted text takes \\\", \\\\ and \\xHH "
                  "(write \\\\ for a backslash)"}},
        FileCase{"BackslashTInAPassword", Ini({"password = \"a\\tbcdefgh\""}),
                 {"f:5: [wifi] password: the value has an unknown escape \\t; a quoted text takes \\\", \\\\ and "
                  "\\xHH (write \\\\ for a backslash)"}},
        FileCase{"BackslashBeforeAnAccentedLetter", Ini({"name = \"x\\\xC3\xA9\""}),
                 {"f:4: [wifi] name: the value has an unknown escape \\\xC3\xA9; a quoted text takes \\\", \\\\ and "
                  "\\xHH (write \\\\ for a backslash)"}},
        FileCase{"HexEscapeWithOneDigit", Ini({"name = \"a\\x4\""}),
                 {"f:4: [wifi] name: the value has \\x without two hex digits after it (\\xHH is the byte HH)"}},
        FileCase{"LineFeedByEscape", Ini({"name = \"a\\x0Ab\""}),
                 {"f:4: [wifi] name: holds the control character \\x0A, which the unit's Wi-Fi module cannot use"}},
        FileCase{"NulByEscape", Ini({"password = \"1234\\x005678\""}),
                 {"f:5: [wifi] password: holds the control character \\x00, which the unit's Wi-Fi module cannot "
                  "use"}},
        FileCase{"DeleteInABareName", Ini({"name = Ho\x7Fme"}),
                 {"f:4: [wifi] name: holds the control character \\x7F, which the unit's Wi-Fi module cannot use"}},
        FileCase{"EscapeInAnUnknownKey", Ini({"channel = 6\nchan\x1B[2Jnel = 6"}),
                 {"f:8: [wifi] unknown key 'chan\\x1B[2jnel'"}},
        FileCase{"BrokenUtf8InAnUnknownKey", Ini({"channel = 6\nchan\xFF\xC3nel = 6"}),
                 {"f:8: [wifi] unknown key 'chan\\xFF\\xC3nel'"}},
        FileCase{"C1ControlInASectionName", "[wi\xC2\x9B" "fi]\n",
                 {"f:1: unknown section [wi\\xC2\\x9Bfi] (there are [wifi] and [fan])"}},
        FileCase{"EscapeInAWord", Ini({"role = mas\x1Bter"}), {"f:2: [wifi] role = mas\\x1Bter: expected master or slave"}},
        FileCase{"BellInALineWithoutEquals", Ini({"router = no\nrou\aer"}),
                 {"f:4: expected 'key = value', found 'rou\\x07er'"}},
        FileCase{"TimeOneSecondPastTheUnitsBytes", Ini({"party_mode_timer = 4660:20:16"}),
                 {"f:23: [fan] party_mode_timer = 4660:20:16: " + kNoTime}},
        FileCase{"TimeWithFiveHourDigits", Ini({"party_mode_timer = 00001:00"}),
                 {"f:23: [fan] party_mode_timer = 00001:00: " + kNoTime}},
        FileCase{"TimeWithOneMinuteDigit", Ini({"party_mode_timer = 1:5"}),
                 {"f:23: [fan] party_mode_timer = 1:5: " + kNoTime}},
        FileCase{"TimeWithSixtySeconds", Ini({"night_mode_timer = 1:00:60"}),
                 {"f:22: [fan] night_mode_timer = 1:00:60: " + kNoTime}},
        FileCase{"TimeWithOneSecondDigit", Ini({"night_mode_timer = 1:00:5"}),
                 {"f:22: [fan] night_mode_timer = 1:00:5: " + kNoTime}},
        FileCase{"TimeWithoutHours", Ini({"turn_off_delay = :10"}), {"f:21: [fan] turn_off_delay = :10: " + kNoTime}}),
    CaseName);

const std::string kUtf16 = "f is UTF-16; save it as UTF-8";

std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string out;
  for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    NotText, Refused,
    testing::Values(FileCase{"Utf16LittleEndianWithMark", "\xFF\xFE" + Utf16(kFan, false), {kUtf16}},
                    FileCase{"Utf16BigEndianWithMark", "\xFE\xFF" + Utf16(kFan, true), {kUtf16}},
                    FileCase{"Utf16WithoutMark", Utf16(kWiFi, false), {kUtf16}},
                    FileCase{"Utf16BigEndianWithoutMark", Utf16(kWiFi, true), {kUtf16}},
                    FileCase{"NulInTheMiddle", kWiFi + std::string(1, '\0') + kFan,
                             {"f holds NUL bytes; it is not a text settings file"}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Json, Refused,
    testing::Values(
        FileCase{"NullPassword", Json({"\"password\": null"}), {"f:6: [wifi] password: expected a string, found null"}},
        FileCase{"NumberName", Json({"\"name\": 42"}), {"f:5: [wifi] name: expected a string, found a number"}},
        FileCase{"ArrayChannel", Json({"\"channel\": [6,\n 7]"}),
                 {"f:8: [wifi] channel: expected a whole number, found an array"}},
        FileCase{"ObjectChannel", Json({"\"channel\": {\"n\": 6}"}),
                 {"f:8: [wifi] channel: expected a whole number, found an object"}},
        FileCase{"StringChannel", Json({"\"channel\": \"6\""}),
                 {"f:8: [wifi] channel: expected a whole number, found a string"}},
        FileCase{"ExponentChannel", Json({"\"channel\": 6e1"}), {"f:8: [wifi] channel = 6e1: expected a whole number"}},
        FileCase{"FractionChannel", Json({"\"channel\": 6.0"}), {"f:8: [wifi] channel = 6.0: expected a whole number"}},
        FileCase{"NegativeSlaveNumber", Json({"\"slave_number\": -1"}),
                 {"f:9: [wifi] slave_number = -1: expected a whole number"}},
        FileCase{"RouterAsYesInQuotes", Json({"\"router\": \"yes\""}),
                 {"f:4: [wifi] router: expected true or false, found a string"}},
        FileCase{"FlagAsOne", Json({"\"off_allowed\": 1"}),
                 {"f:16: [fan] off_allowed: expected true or false, found a number"}},
        FileCase{"DirectionAsFalse", Json({"\"direction\": false"}),
                 {"f:17: [fan] direction: expected a string, found false"}},
        FileCase{"TimeAsSeconds", Json({"\"turn_off_delay\": 600"}),
                 {"f:23: [fan] turn_off_delay: expected a string, found a number"}},
        FileCase{"AddressAsNull", Json({"\"gateway\": null"}), {"f:13: [wifi] gateway: expected a string, found null"}},
        // As read --json prints a byte without a name; refused as in INI.
        FileCase{"WordAsNumber", Json({"\"security\": 7"}),
                 {"f:7: [wifi] security = 7: expected OPEN, WPA_PSK, WPA2_PSK or WPA_WPA2_PSK"}},
        FileCase{"ControlCharacterByEscape", Json({"\"name\": \"Home\\u001B\""}),
                 {"f:5: [wifi] name: holds the control character \\x1B, which the unit's Wi-Fi module cannot use"}},
        FileCase{"SurrogatePair", Json({"\"name\": \"Home\\uD83C\\uDFE0\""}),
                 {"f:5: [wifi] name: the value holds U+1F3E0, which the unit cannot store (it takes characters up "
                  "to U+00FF)"}},
        FileCase{"EscapeInAnUnknownKey", Json({"\"gateway\": \"192.168.4.1\",\n    \"x\\u001B[2J\": 1"}),
                 {"f:14: [wifi] unknown key 'x\\x1B[2j'"}},
        FileCase{"LinesAfterAnArrayStillCount", Json({"\"channel\": [\n1,\n2\n]", "\"slave_number\": null"}),
                 {"f:8: [wifi] channel: expected a whole number, found an array",
                  "f:12: [wifi] slave_number: expected a whole number, found null"}},
        FileCase{"TopLevelArray", "  \n[{\"fan\": {}}]",
                 {"f:2: JSON: expected a JSON object ({\"wifi\": {...}, \"fan\": {...}}), found an array"}},
        FileCase{"EmptyTopLevelArray", "[]", {"f:1: JSON: expected a JSON object ({\"wifi\": {...}, \"fan\": {...}}), "
                                                   "found an array"}},
        FileCase{"AWordThatIsNoJson", Json({"\"channel\": six"}),
                 {"f:8: JSON: expected a value (a string, a number, true, false or null), found 'six'"}},
        FileCase{"AControlByteWhereAValueGoes", Json({"\"channel\": \x01"}),
                 {"f:8: JSON: expected a value (a string, a number, true, false or null), found '\\x01'"}},
        FileCase{"ArraysTooDeep", Json({"\"channel\": " + std::string(40, '[') + std::string(40, ']')}),
                 {"f:8: JSON: arrays and objects nest too deep"}},
        FileCase{"UnknownEscapeInAString", Json({"\"name\": \"a\\qb\""}), {"f:5: JSON: unknown escape \\q"}}),
    CaseName);

class Accepted : public testing::TestWithParam<FileCase> {};

TEST_P(Accepted, WritesWithTheseWarningsOnly) {
  const ParsedSettings parsed = Parse(GetParam().file);
  EXPECT_EQ(parsed.problems, std::vector<std::string>{});
  EXPECT_EQ(parsed.warnings, GetParam().lines);
}

const std::string kSlaveWithout = "a slave's connection type is not sent, and a read-back takes it from the "
                                  "network's name: one ";

INSTANTIATE_TEST_SUITE_P(
    Ini, Accepted,
    testing::Values(
        FileCase{"CommentsAfterHeadersQuotedTextsAndValues",
                 Ini({"[wifi] ; main unit", "[fan] # x", "name = \"Home ; #\" # x", "channel = 6 ; six",
                      "password = \"12345678\";x"}),
                 {}},
        FileCase{"SemicolonsAndHashesWithoutABlankBefore", Ini({"name = Home;net#1", "password = pass#1;word"}), {}},
        FileCase{"EscapesTaken", Ini({"name = \"C:\\\\new \\\"x\\\" \\x41\""}), {}},
        FileCase{"HoursPast23AndSeconds",
                 Ini({"turn_off_delay = 25:00", "night_mode_timer = 4660:20:15", "party_mode_timer = 0:00:59"}), {}},
        FileCase{"AccessPointWithAnotherAddress", Ini({"master_address = 10.0.0.5"}),
                 {"f:11: warning: [wifi] master_address: 10.0.0.5 is not sent; a master without a router always "
                  "has the address 192.168.4.1"}},
        FileCase{"MasterWithARouterKeepsItsAddress", Ini({"router = yes", "master_address = 10.0.0.5"}), {}},
        FileCase{"SlaveWithoutARouter",
                 Ini({"role = slave", "master_address = 10.0.0.5", "slave_address_mode = static"}),
                 {"f:9: warning: [wifi] slave_address_mode: static is not sent; a slave without a router always "
                  "takes its address by dhcp",
                  "f:11: warning: [wifi] master_address: 10.0.0.5 is not sent; a slave without a router always "
                  "has its master at 192.168.4.1"}},
        FileCase{"SlaveWithARouterOnItsMastersNetwork", Ini({"role = slave", "router = yes"}),
                 {"f:3: warning: [wifi] router: " + kSlaveWithout +
                  "beginning with \"Kirrowind\" (a master's own network) reads back as router = no"}},
        FileCase{"SlaveWithoutARouterOnAnotherNetwork", Ini({"role = slave", "name = Home"}),
                 {"f:3: warning: [wifi] router: " + kSlaveWithout +
                  "not beginning with \"Kirrowind\" (a master's own network) reads back as router = yes"}},
        FileCase{"SlaveWithARouterOnAnotherNetwork",
                 Ini({"role = slave", "router = yes", "name = Home", "master_address = 10.0.0.5",
                      "slave_address_mode = static"}),
                 {}},
        FileCase{"NameBeyondAscii", Ini({"name = Caf\xC3\xA9"}),
                 {"f:4: warning: [wifi] name: \"\xC3\xA9\" goes to the unit as the byte E9 (Latin-1); a network "
                  "whose name is UTF-8 has C3 A9 for it. If the unit does not join, write the name as ombrel-cli "
                  "scan prints it"}},
        FileCase{"NameWithSeveralBeyondAscii", Ini({"name = \"\xC3\xBC" "ber \xC2\xB5 \\xE9\""}),
                 {"f:4: warning: [wifi] name: \"\xC3\xBC\" (the first of 3 such characters) goes to the unit as the "
                  "byte FC (Latin-1); a network whose name is UTF-8 has C3 BC for it. If the unit does not join, "
                  "write the name as ombrel-cli scan prints it"}},
        FileCase{"NameWithAC1Character", Ini({"name = \"a\\x85\""}),
                 {"f:4: warning: [wifi] name: \"\\xC2\\x85\" goes to the unit as the byte 85 (Latin-1); a network "
                  "whose name is UTF-8 has C2 85 for it. If the unit does not join, write the name as ombrel-cli "
                  "scan prints it"}},
        FileCase{"PasswordBeyondAscii", Ini({"password = \"s\xC3\xA9same-\xC3\xB8pen\""}),
                 {"f:5: warning: [wifi] password: holds 2 characters from U+0080 to U+00FF, which the unit takes "
                  "as one byte each (Latin-1); a network whose password is UTF-8 has two bytes for each. If the "
                  "unit does not join, write them as their UTF-8 bytes (in INI \\xC3\\xA9 for \xC3\xA9)"}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Json, Accepted,
    testing::Values(
        FileCase{"AsReadPrintsIt", Json({}), {}},
        FileCase{"JsonEscapesTaken", Json({"\"name\": \"C:\\\\new\\/\\\"x\\\" \\u0041\""}), {}},
        FileCase{"AccessPointWithAnotherAddress", Json({"\"master_address\": \"10.0.0.5\""}),
                 {"f:12: warning: [wifi] master_address: 10.0.0.5 is not sent; a master without a router always "
                  "has the address 192.168.4.1"}},
        FileCase{"PasswordBeyondAscii", Json({"\"password\": \"\\u00e9\\u00e9\\u00e9\\u00e9\\u00e9\\u00e9\\u00e9\\u00e9\""}),
                 {"f:6: warning: [wifi] password: holds 8 characters from U+0080 to U+00FF, which the unit takes "
                  "as one byte each (Latin-1); a network whose password is UTF-8 has two bytes for each. If the "
                  "unit does not join, write them as their UTF-8 bytes (in INI \\xC3\\xA9 for \xC3\xA9)"}}),
    CaseName);

TEST(SettingsFile, TextsAreTakenAsWritten) {
  const auto name = [](const std::string& file) {
    const ParsedSettings parsed = Parse(file);
    EXPECT_EQ(parsed.problems, std::vector<std::string>{}) << file;
    return parsed.record.wifi ? parsed.record.wifi->values.networkName : u"(none)";
  };
  EXPECT_EQ(name(Ini({"name = \"C:\\\\new\""})), u"C:\\new");
  EXPECT_EQ(name(Ini({"name = \"a\\\"b\\x41\\xe9\""})), u"a\"bA\u00E9");
  EXPECT_EQ(name(Ini({"name = Home;net#1"})), u"Home;net#1");
  EXPECT_EQ(name(Ini({"name = \"Home ; #\" # x"})), u"Home ; #");
  EXPECT_EQ(name(Ini({"name = Caf\xC3\xA9"})), u"Caf\u00E9");
  EXPECT_EQ(name(Json({"\"name\": \"a\\\\b\\/c\\u00E9\""})), u"a\\b/c\u00E9");
}

// A timer as the INI form prints it, and the note that says what the
// window shows instead.
struct TimerCase {
  std::uint32_t seconds;
  std::string text;
  std::string note;
};

TEST(SettingsFile, TimersPrintAsTheUnitHoldsThemAndReadBackUnchanged) {
  const TimerCase cases[] = {
      {0, "00:00", ""},
      {59, "00:00:59", " ; the window shows 00:00"},
      {10 * 60, "00:10", ""},
      {23 * 3600 + 59 * 60, "23:59", ""},
      {24 * 3600, "24:00", " ; the window shows 00:00"},
      {90000, "25:00", " ; the window shows 01:00"},
      {90030, "25:00:30", " ; the window shows 01:00"},
      {16777215, "4660:20:15", " ; the window shows 04:20"},
  };
  for (const TimerCase& c : cases) {
    cli::SettingsRecord record;
    record.fan = FanPage{};
    record.fan->partyMode = c.seconds;
    const std::string ini = cli::FormatIni(record);
    EXPECT_NE(ini.find("\nparty_mode_timer = " + c.text + c.note + "\n"), std::string::npos) << ini;
    const std::string json = cli::FormatJson(record);
    EXPECT_NE(json.find("\"party_mode_timer\": \"" + c.text + "\","), std::string::npos) << json;
    for (const std::string& file : {ini, json}) {
      const ParsedSettings parsed = Parse(file);
      EXPECT_EQ(parsed.problems, std::vector<std::string>{}) << file;
      ASSERT_TRUE(parsed.record.fan);
      EXPECT_EQ(parsed.record.fan->partyMode, c.seconds) << file;
    }
  }
}

TEST(SettingsFile, TimesTakeOneToFourHourDigitsAndSeconds) {
  const struct {
    std::string text;
    std::uint32_t seconds;
  } cases[] = {{"0:05", 300}, {"5:05", 5 * 3600 + 300}, {"0005:05", 5 * 3600 + 300}, {"100:00", 360000},
               {"25:00:30", 90030}, {"4660:20:15", 16777215}};
  for (const auto& c : cases) {
    const ParsedSettings parsed = Parse(Ini({"night_mode_timer = " + c.text}));
    EXPECT_EQ(parsed.problems, std::vector<std::string>{}) << c.text;
    EXPECT_EQ(parsed.record.fan->nightMode, c.seconds) << c.text;
  }
}

TEST(SettingsFile, ReadingKeepsTheTimersTheUnitHoldsWhereTheWindowShowsLess) {
  UnitReading reading;
  reading.fan.partyMode = 3600;  // what the window's field holds
  reading.heldTimers.partyMode = 90030;
  reading.heldTimers.nightMode = 5459;
  const cli::SettingsRecord record = cli::RecordOfReading(reading);
  ASSERT_TRUE(record.fan);
  EXPECT_EQ(record.fan->partyMode, 90030u);
  EXPECT_EQ(record.fan->nightMode, 5459u);
  EXPECT_EQ(record.fan->turnOffDelay, 0u);
}

TEST(SettingsFile, SyntaxHelpFitsEightyColumnsAndEndsWithTheKeys) {
  const std::string help = cli::SettingsSyntaxHelp();
  std::size_t start = 0;
  while (start < help.size()) {
    const std::size_t end = help.find('\n', start);
    ASSERT_NE(end, std::string::npos) << "the last line lacks its line feed";
    std::size_t columns = 0;
    for (std::size_t i = start; i < end; ++i) columns += (static_cast<unsigned char>(help[i]) & 0xC0) != 0x80;
    EXPECT_LE(columns, 80u) << help.substr(start, end - start);
    start = end + 1;
  }
  EXPECT_TRUE(help.ends_with(cli::SettingsKeysHelp()));
  EXPECT_TRUE(help.starts_with("Settings file: "));
  // What it names as the largest time is what the reader takes.
  EXPECT_NE(help.find("4660:20:15"), std::string::npos);
}

}  // namespace
}  // namespace ombrel::test
