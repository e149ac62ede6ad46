// A settings file with anything wrong is refused whole, with the file, line
// and key named, exit status 1, and nothing written to the unit.
#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "tests/cli/cli_fixture.h"
#include "tests/cli/good_settings_file.h"

namespace ombrel::test {
namespace {

// The good file with line `line` (from 1) replaced; an empty replacement
// drops the line.
std::string WithLine(std::size_t line, const std::string& replacement) {
  const std::string good = kWiFi + kFan;
  std::string out;
  std::size_t at = 0;
  for (std::size_t n = 1; at < good.size(); ++n) {
    const std::size_t end = good.find('\n', at) + 1;
    out += n == line ? (replacement.empty() ? "" : replacement + "\n") : good.substr(at, end - at);
    at = end;
  }
  return out;
}

struct BadCase {
  const char* what;
  std::string file;
  std::string message;  // the one line expected on standard error, after the file's name
};

// Names the case in test listings instead of its bytes.
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.what; }

class BadInput : public CliFixture, public testing::WithParamInterface<BadCase> {};

TEST_P(BadInput, IsNamedByLineAndKeyAndNothingIsWritten) {
  const BadCase& c = GetParam();
  sim::SimulatedUnit& unit = PlugUnit();
  const std::string path = WriteFile("bad.ini", c.file);
  const CliRun run = Run({"write", path});
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_EQ(run.err, path + c.message + "\nombrel-cli: nothing was written\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EachClass, BadInput,
    testing::Values(
        BadCase{"UnknownKey", WithLine(7, "channel = 6\nchanel = 6"), ":8: [wifi] unknown key 'chanel'"},
        BadCase{"ChannelOutOfRange", WithLine(7, "channel = 14"),
                ":7: [wifi] channel = 14: expected a channel from 1 to 13"},
        BadCase{"ChannelZero", WithLine(7, "channel = 0"), ":7: [wifi] channel = 0: expected a channel from 1 to 13"},
        BadCase{"HumidityNotInStepsOfFive", WithLine(19, "humidity_threshold = 42"),
                ":19: [fan] humidity_threshold = 42: expected 40 to 80 in steps of 5"},
        BadCase{"HumidityBelowRange", WithLine(19, "humidity_threshold = 35"),
                ":19: [fan] humidity_threshold = 35: expected 40 to 80 in steps of 5"},
        BadCase{"HumidityAboveRange", WithLine(19, "humidity_threshold = 85"),
                ":19: [fan] humidity_threshold = 85: expected 40 to 80 in steps of 5"},
        BadCase{"SensorThresholdZero", WithLine(20, "sensor_0_10v_threshold = 0"),
                ":20: [fan] sensor_0_10v_threshold = 0: expected 5 to 100 in steps of 5"},
        BadCase{"EmptyName", WithLine(4, "name = \"\""),
                ":4: [wifi] name: has 0 characters; a network name has 1 to 32"},
        BadCase{"NameOver32", WithLine(4, "name = " + std::string(33, 'n')),
                ":4: [wifi] name: has 33 characters; a network name has 1 to 32"},
        BadCase{"ShortPasswordWithSecurity", WithLine(5, "password = 1234567"),
                ":5: [wifi] password: has 7 characters; a master without a router needs 8 to 60 unless its "
                "security is OPEN"},
        BadCase{"PasswordOver60", WithLine(5, "password = " + std::string(61, 'p')),
                ":5: [wifi] password: has 61 characters; a password has at most 60"},
        BadCase{"AddressWithThreeOctets", WithLine(10, "slave_address = 192.168.4"),
                ":10: [wifi] slave_address = 192.168.4: expected an IPv4 address such as 192.168.4.1"},
        BadCase{"AddressOctetAbove255", WithLine(11, "master_address = 192.168.4.256"),
                ":11: [wifi] master_address = 192.168.4.256: expected an IPv4 address such as 192.168.4.1"},
        BadCase{"AddressWithLetters", WithLine(12, "gateway = 192.168.a.1"),
                ":12: [wifi] gateway = 192.168.a.1: expected an IPv4 address such as 192.168.4.1"},
        BadCase{"TimeBeyondTheUnitsThreeBytes", WithLine(22, "night_mode_timer = 4660:20:16"),
                ":22: [fan] night_mode_timer = 4660:20:16: expected a time HH:MM (hours may pass 23) up to "
                "4660:20:15"},
        BadCase{"TimeWithoutColon", WithLine(21, "turn_off_delay = 1030"),
                ":21: [fan] turn_off_delay = 1030: expected a time HH:MM (hours may pass 23) up to 4660:20:15"},
        BadCase{"TimeMinutePast59", WithLine(23, "party_mode_timer = 01:60"),
                ":23: [fan] party_mode_timer = 01:60: expected a time HH:MM (hours may pass 23) up to 4660:20:15"},
        BadCase{"UnknownSecurity", WithLine(6, "security = WEP"),
                ":6: [wifi] security = WEP: expected OPEN, WPA_PSK, WPA2_PSK or WPA_WPA2_PSK"},
        BadCase{"UnknownRole", WithLine(2, "role = boss"), ":2: [wifi] role = boss: expected master or slave"},
        BadCase{"BadFlag", WithLine(16, "humidity_sensor = maybe"),
                ":16: [fan] humidity_sensor = maybe: expected yes or no (or on/off, true/false, 1/0)"},
        BadCase{"MissingKey", WithLine(12, ""),
                ":1: [wifi] lacks gateway (a section gives every key, so nothing is sent that the file does not "
                "say)"},
        BadCase{"DuplicateKey", WithLine(8, "slave_number = 1\nchannel = 7"),
                ":9: [wifi] channel: comes a second time (first on line 7)"},
        BadCase{"UnknownSection", "[wlan]\nrole = master\n", ":1: unknown section [wlan] (there are [wifi] and [fan])"},
        BadCase{"KeyOutsideSection", "role = master\n" + kWiFi,
                ":1: key 'role' comes before any section ([wifi] or [fan])"},
        BadCase{"LineWithoutEquals", WithLine(3, "router = no\nrouter"), ":4: expected 'key = value', found 'router'"},
        BadCase{"CharacterTheUnitCannotStore", WithLine(4, "name = \"Caf\xC3\xA9 \xE2\x82\xAC\""),
                ":4: [wifi] name: the value holds U+20AC, which the unit cannot store (it takes characters up "
                "to U+00FF)"},
        BadCase{"MalformedUtf8", WithLine(4, "name = \"\xC3\""), ":4: [wifi] name: the value is not valid UTF-8"},
        BadCase{"UnclosedQuote", WithLine(4, "name = \"Home"), ":4: [wifi] name: the value lacks its closing quote"},
        // Before, the text was cut at " #" and "pass" written.
        BadCase{"BareTextHoldingACommentSign", WithLine(5, "password = pass #1 word"),
                ":5: [wifi] password: an unquoted text may not hold \" ;\" or \" #\"; put the text in quotes "
                "(\"...\") to keep it, and a comment may follow the closing quote"},
        // Before, \n became a line feed.
        BadCase{"UnknownEscape", WithLine(4, "name = \"C:\\new\""),
                ":4: [wifi] name: the value has an unknown escape \\n; a quoted text takes \\\", \\\\ and \\xHH "
                "(write \\\\ for a backslash)"},
        BadCase{"ControlCharacterInAText", WithLine(4, "name = \"Home\\x0A\""),
                ":4: [wifi] name: holds the control character \\x0A, which the unit's Wi-Fi module cannot use"},
        BadCase{"SectionHeaderFollowedByText", WithLine(13, "[fan] x"),
                ":13: a section header ends with ']' (a comment may follow it)"},
        BadCase{"NothingToWrite", "; only a comment\n", ": no [wifi] or [fan] section: nothing to write"}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.what); });

class FileForms : public CliFixture {};

TEST_F(FileForms, EveryProblemOfAFileIsListedInItsOrder) {
  sim::SimulatedUnit& unit = PlugUnit();
  std::string file = WithLine(19, "humidity_threshold = 42");
  file.replace(file.find("channel = 6"), 11, "channel = 14");
  const CliRun run = Run({"write", WriteFile("many.ini", file)});
  EXPECT_EQ(run.code, cli::kExitBadInput);
  const auto channel = run.err.find(":7: [wifi] channel");
  const auto humidity = run.err.find(":19: [fan] humidity_threshold");
  EXPECT_NE(channel, std::string::npos) << run.err;
  EXPECT_NE(humidity, std::string::npos) << run.err;
  EXPECT_LT(channel, humidity);
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
}

TEST_F(FileForms, CommentsBlankLinesCrLfAByteOrderMarkAndEitherSectionAloneAreFine) {
  sim::SimulatedUnit& unit = PlugUnit();
  const auto stored = [&](ParamID id) {
    const sim::Report bytes = unit.Model().StoredValue(id);
    return std::string(bytes.begin(), bytes.end());
  };
  unit.Model().SetText(Param_Wi_Fi_name, "Before");
  unit.Model().SetSeconds(Param_Timer_night_mode, 60);
  std::string crlf;
  for (char c : "\xEF\xBB\xBF; installer's file\r\n\r\n# fan only\r\n" + kFan) {
    if (c == '\n') crlf += "\r\n";
    else if (c != '\r') crlf += c;
  }
  // A comment after a section header too.
  crlf.replace(crlf.find("[fan]"), 5, "[fan] ; the bathroom's unit");
  const CliRun fanOnly = Run({"write", WriteFile("fan.ini", crlf)});
  ASSERT_EQ(fanOnly.code, cli::kExitOk) << fanOnly.err;
  EXPECT_TRUE(fanOnly.out.starts_with("Wrote [fan] to unit 1 (Pendra DUO, PD42)")) << fanOnly.out;
  EXPECT_EQ(unit.Model().StoredValue(Param_Timer_night_mode), (sim::Report{0, 0x70, 0x80}));  // 08:00
  EXPECT_EQ(stored(Param_Wi_Fi_name), "Before");

  const CliRun wifiOnly = Run({"write", WriteFile("wifi.ini", "# wifi only\n" + kWiFi)});
  ASSERT_EQ(wifiOnly.code, cli::kExitOk) << wifiOnly.err;
  EXPECT_TRUE(wifiOnly.out.starts_with("Wrote [wifi] to unit 1 (Pendra DUO, PD42)")) << wifiOnly.out;
  EXPECT_EQ(stored(Param_Wi_Fi_name), "Kirrowind_Pendra");
}

TEST_F(FileForms, BareAndQuotedTextsAndEscapesAreTaken) {
  sim::SimulatedUnit& unit = PlugUnit();
  const auto stored = [&] {
    const sim::Report bytes = unit.Model().StoredValue(Param_Wi_Fi_name);
    return std::string(bytes.begin(), bytes.end());
  };
  // A bare text may hold ';' and '#' that follow no blank.
  ASSERT_EQ(Run({"write", WriteFile("bare.ini", WithLine(4, "name = Home;net#1"))}).code, cli::kExitOk);
  EXPECT_EQ(stored(), "Home;net#1");
  // A quoted one keeps its blanks and takes escapes; a comment may follow it.
  ASSERT_EQ(Run({"write", WriteFile("quoted.ini", WithLine(4, "name = \" a\\\"b\\\\c\\xE9 \"  ; comment"))}).code,
            cli::kExitOk);
  EXPECT_EQ(stored(), " a\"b\\c\xE9 ");
}

TEST_F(FileForms, JsonIsCheckedLikeIni) {
  sim::SimulatedUnit& unit = PlugUnit();
  const struct {
    std::string file;
    std::string problem;  // one of the lines on standard error, after the file's name
  } cases[] = {
      {"{\n  \"fan\": {\n    \"humidity_threshold\": 42\n  }\n}\n",
       ":3: [fan] humidity_threshold = 42: expected 40 to 80 in steps of 5\n"},
      {"{\n  \"fan\": {\n    \"humidity_threshold\": 70\n  }\n}\n", ":2: [fan] lacks off_allowed, direction,"},
      {"{\"wifi\": {\"chanel\": 6}}", ":1: [wifi] unknown key 'chanel'\n"},
      {"{\"wlan\": {}}", ":1: unknown section [wlan] (there are [wifi] and [fan])\n"},
      {"{\"fan\": {\"direction\": \"up\\u20AC\"}}",
       ":1: [fan] direction: the value holds U+20AC, which the unit cannot store (it takes characters up to "
       "U+00FF)\n"},
  };
  for (const auto& c : cases) {
    const std::string path = WriteFile("bad.json", c.file);
    const CliRun run = Run({"write", path});
    EXPECT_EQ(run.code, cli::kExitBadInput);
    EXPECT_NE(run.err.find(path + c.problem), std::string::npos) << run.err;
  }
  // A file that is no JSON says only that.
  const std::string path = WriteFile("broken.json", "{\"fan\": {\"off_allowed\": true,\n}");
  EXPECT_EQ(Run({"write", path}).err, path + ":2: JSON: expected '\"', found '}'\nombrel-cli: nothing was written\n");
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
}

TEST_F(FileForms, AFileThatCannotBeReadIsBadInput) {
  PlugUnit();
  const CliRun run = Run({"write", testing::TempDir() + "no-such-dir/f.ini"});
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_NE(run.err.find("cannot read"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace ombrel::test
