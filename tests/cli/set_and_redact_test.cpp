// --set stands for a file's value of one key; `set` changes keys of the
// unit as read and sends only their sections, in the unit's mode; --redact
// leaves the password out of `read`, and a write of that file keeps the
// unit's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/settings_file.h"
#include "protocol/parameter_ids.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/frames.h"
#include "tests/support/round_trip_cases.h"

namespace ombrel::test {
namespace {

// The unit as an access point on channel 6.
const WiFiSettings kAccessPoint = With(kHome, [](WiFiSettings& s) {
  s.connectionType = 2;
  s.networkName = u"Kirrowind_Pendra";
  s.masterAddress = {192, 168, 4, 1};
});

// A password of bytes a text file could take for something else.
const WiFiSettings kOddPassword = With(kHome, [](WiFiSettings& s) { s.password = u"p\u00E9ss \"q\\ ;x#"; });

// A turn-off delay past a day: only the unit's own value keeps it.
const FanValues kLongDelay{.turnOffDelay = 90000};

// The Wi-Fi upload's own parameters (the settings transfer brackets the
// fan's too).
constexpr ParamID kWiFiParams[] = {Param_Number_Slave,  Param_IP_Slave_mode,  Param_IP_Slave,
                                   Param_Device_mode,   Param_Type_of_connection, Param_Wi_Fi_name,
                                   Param_Wi_Fi_password, Param_IP_Master,     Param_Wi_Fi_channel,
                                   Param_Security_Wi_Fi, Param_Gateway,       Param_Wi_Fi_module_switch};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string Bytes(const Report& value) { return {value.begin(), value.end()}; }

class SetAndRedact : public CliFixture {
 protected:
  sim::SimulatedUnit& Unit(const WiFiSettings& wifi, const FanValues& fan = {}) {
    sim::SimulatedUnit& unit = PlugUnit();
    Store(unit.Model(), {wifi, fan});
    return unit;
  }

  // What `read` (with `more` options) prints for the unit; the read is
  // then forgotten by the unit's log.
  std::string ReadFile(sim::SimulatedUnit& unit, std::vector<std::string> more = {}) {
    more.insert(more.begin(), "read");
    const CliRun read = Run(more);
    EXPECT_EQ(read.code, cli::kExitOk) << read.err;
    unit.Model().ClearOutputLog();
    return read.out;
  }

  // Only read requests went out: nothing was written.
  static void ExpectNothingWritten(sim::SimulatedUnit& unit) {
    for (const Report& report : unit.Model().OutputLog()) EXPECT_EQ(report[1], Param_Read_request);
  }

  static bool WroteAnyWiFi(sim::SimulatedUnit& unit) {
    const auto log = unit.Model().OutputLog();
    return std::any_of(log.begin(), log.end(), [](const Report& r) {
      return std::find(std::begin(kWiFiParams), std::end(kWiFiParams), r[1]) != std::end(kWiFiParams);
    });
  }

  // The reports of one write of `id` with `value`, in the unit's log.
  static bool Sent(sim::SimulatedUnit& unit, ParamID id, std::u16string_view value) {
    const auto log = unit.Model().OutputLog();
    const Reports frames = Frames(id, value);
    return std::search(log.begin(), log.end(), frames.begin(), frames.end()) != log.end();
  }
};

// --set on write ------------------------------------------------------------

struct GoodSet {
  const char* what;
  std::vector<std::string> sets;
  std::string fileFrom, fileTo;  // an edit of the file, if any
  ParamID param;
  Report stored;
};
void PrintTo(const GoodSet& c, std::ostream* os) { *os << c.what; }

class SetOnWrite : public SetAndRedact, public testing::WithParamInterface<GoodSet> {};

TEST_P(SetOnWrite, TheSetValueIsSentAndVerified) {
  const GoodSet& c = GetParam();
  sim::SimulatedUnit& unit = Unit(kHome, kLongDelay);
  std::string file = ReadFile(unit);
  if (!c.fileFrom.empty()) file = Replaced(file, c.fileFrom, c.fileTo);
  std::vector<std::string> args{"write"};
  for (const std::string& set : c.sets) args.insert(args.end(), {"--set", set});
  args.push_back(WriteFile("unit.ini", file));
  const CliRun run = Run(args);
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD42); read back, it holds every value sent.\n");
  EXPECT_EQ(unit.Model().StoredValue(c.param), c.stored);
  // The file's values of the other keys went as they were.
  EXPECT_EQ(Bytes(unit.Model().StoredValue(Param_Wi_Fi_password)), "mossy-fern-42");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetOnWrite,
    testing::Values(
        GoodSet{"Threshold", {"fan.humidity_threshold=45"}, "", "", Param_Humidity_sensor_threshold, {45}},
        GoodSet{"QuotedTextWithABlank", {"wifi.name=\"My Net\""}, "", "", Param_Wi_Fi_name,
                {'M', 'y', ' ', 'N', 'e', 't'}},
        GoodSet{"BareText", {"wifi.name=Attic"}, "", "", Param_Wi_Fi_name, {'A', 't', 't', 'i', 'c'}},
        GoodSet{"EscapedByte", {"wifi.name=\"Caf\\xE9\""}, "", "", Param_Wi_Fi_name, {'C', 'a', 'f', 0xE9}},
        GoodSet{"AnyCaseAndBlanks", {"WIFI.Slave_Number = 3"}, "", "", Param_Number_Slave, {2}},
        // One file for several units: the key it lacks comes from --set.
        GoodSet{"AKeyTheFileLacks", {"wifi.slave_number=7"}, "slave_number = 5\n", "", Param_Number_Slave, {6}},
        // The file's own value of a changed key is not looked at.
        GoodSet{"InPlaceOfAWrongValue", {"fan.humidity_threshold=50"}, "humidity_threshold = 70",
                "humidity_threshold = 99", Param_Humidity_sensor_threshold, {50}},
        GoodSet{"SeveralKeys", {"fan.night_mode_timer=07:00", "wifi.gateway=192.168.1.1"}, "", "",
                Param_Timer_night_mode, {0, 0x62, 0x70}}),
    [](const testing::TestParamInfo<GoodSet>& info) { return std::string(info.param.what); });

TEST_F(SetAndRedact, TheOptionTakesItsValueAfterAnEqualsSignToo) {
  sim::SimulatedUnit& unit = Unit(kHome);
  const std::string path = WriteFile("unit.ini", ReadFile(unit));
  const CliRun run = Run({"write", "--set=fan.night_mode_timer=07:00", path});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(unit.Model().StoredValue(Param_Timer_night_mode), (Report{0, 0x62, 0x70}));
}

struct BadSet {
  const char* what;
  std::vector<std::string> sets;
  std::string line;  // the message naming the --set
};
void PrintTo(const BadSet& c, std::ostream* os) { *os << c.what; }

class BadSetOnWrite : public SetAndRedact, public testing::WithParamInterface<BadSet> {};

TEST_P(BadSetOnWrite, IsNamedAndNothingIsWritten) {
  const BadSet& c = GetParam();
  sim::SimulatedUnit& unit = Unit(kAccessPoint);
  // The file has no [fan] section.
  std::string file = ReadFile(unit);
  file.erase(file.find("[fan]"));
  std::vector<std::string> args{"write"};
  for (const std::string& set : c.sets) args.insert(args.end(), {"--set", set});
  args.push_back(WriteFile("unit.ini", file));
  const CliRun run = Run(args);
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_EQ(run.out, "");
  std::string expected = c.line;
  const std::string token = "FILE";
  if (const auto at = expected.find(token); at != std::string::npos) expected.replace(at, token.size(), args.back());
  EXPECT_EQ(run.err, expected + "\nombrel-cli: nothing was written\n");
  // The unit was not even asked.
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadSetOnWrite,
    testing::Values(
        BadSet{"BadValue", {"wifi.slave_number=40"}, "--set wifi.slave_number=40: expected a slave number from 1 to 32"},
        BadSet{"UnknownKey", {"wifi.chanel=11"},
               "--set wifi.chanel=...: [wifi] unknown key 'chanel' (did you mean channel?)"},
        BadSet{"NoEqualsSign", {"wifi.channel"}, "--set wifi.channel: expected SECTION.KEY=VALUE, e.g. wifi.channel=11"},
        BadSet{"NoSection", {"channel=11"}, "--set channel=...: expected SECTION.KEY=VALUE (did you mean wifi.channel?)"},
        BadSet{"UnknownSection", {"wlan.channel=11"}, "--set wlan.channel=...: unknown section 'wlan' (there are wifi and fan)"},
        BadSet{"SectionNotInTheFile", {"fan.humidity_threshold=60"},
               "--set fan.humidity_threshold=60: FILE has no [fan] section to change (a change adds no section)"},
        BadSet{"GivenTwice", {"wifi.channel=3", "WiFi.Channel=4"},
               "--set WiFi.Channel=4: wifi.channel is given twice (first --set wifi.channel=3)"},
        // The password's value is never repeated.
        BadSet{"ShortAccessPointPassword", {"wifi.password=abc12"},
               "--set wifi.password=...: [wifi] password: has 5 characters; a master without a router needs 8 to 60 "
               "unless its security is OPEN"},
        BadSet{"UnquotedTextCutByAComment", {"wifi.name=My ;Net"},
               "--set wifi.name=My ;Net: [wifi] name: an unquoted text may not hold \" ;\" or \" #\"; put the text in "
               "quotes (\"...\") to keep it, and a comment may follow the closing quote"},
        BadSet{"UnknownEscape", {"wifi.name=\"a\\qb\""},
               "--set wifi.name=\"a\\qb\": [wifi] name: the value has an unknown escape \\q; a quoted text takes "
               "\\\", \\\\ and \\xHH (write \\\\ for a backslash)"}),
    [](const testing::TestParamInfo<BadSet>& info) { return std::string(info.param.what); });

TEST_F(SetAndRedact, ASetWarnsAsTheFilesValueWouldAndStillWrites) {
  sim::SimulatedUnit& unit = Unit(kAccessPoint);
  const std::string path = WriteFile("unit.ini", ReadFile(unit));
  const CliRun run = Run({"write", "--set", "wifi.master_address=10.0.0.5", path});
  EXPECT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.err,
            "--set wifi.master_address=10.0.0.5: warning: [wifi] master_address: 10.0.0.5 is not sent; a master "
            "without a router always has the address 192.168.4.1\n");
}

TEST_F(SetAndRedact, ASetCountsAsGivingTheKeyButNotTheSectionsOthers) {
  sim::SimulatedUnit& unit = Unit(kHome);
  const std::string file = Replaced(Replaced(ReadFile(unit), "slave_number = 5\n", ""), "channel = 6\n", "");
  const std::string path = WriteFile("unit.ini", file);
  const CliRun lacking = Run({"check", "--set", "wifi.slave_number=2", path});
  EXPECT_EQ(lacking.code, cli::kExitBadInput);
  EXPECT_EQ(lacking.err, path + ":3: [wifi] lacks channel (a section gives every key, so nothing is sent that the "
                                "file does not say)\n");
  const CliRun whole = Run({"check", "--set", "wifi.slave_number=2", "--set", "wifi.channel=1", path});
  EXPECT_EQ(whole.code, cli::kExitOk) << whole.err;
}

TEST_F(SetAndRedact, DiffComparesTheSetValue) {
  sim::SimulatedUnit& unit = Unit(kAccessPoint);
  const std::string path = WriteFile("unit.ini", ReadFile(unit));
  const CliRun run = Run({"diff", "--set", "wifi.channel=11", "--set", "fan.humidity_threshold=45", path});
  EXPECT_EQ(run.code, 1) << run.err;
  EXPECT_EQ(run.out, "[wifi] channel: unit 6, file 11\n[fan] humidity_threshold: unit 70, file 45\n");
  ExpectNothingWritten(unit);
}

// set -----------------------------------------------------------------------

TEST_F(SetAndRedact, SetOfFanKeysWritesTheFanSectionOnly) {
  sim::SimulatedUnit& unit = Unit(kHome, kLongDelay);
  const CliRun run = Run({"set", "fan.humidity_threshold=45", "fan.night_mode_timer=07:00"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "Wrote [fan] to unit 1 (Pendra DUO, PD42); read back, it holds every value sent.\n");
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(WroteAnyWiFi(unit));
  EXPECT_EQ(unit.Model().StoredValue(Param_Humidity_sensor_threshold), (Report{45}));
  EXPECT_EQ(unit.Model().StoredValue(Param_Timer_night_mode), (Report{0, 0x62, 0x70}));
  // The keys not given went back as the unit holds them, past a day too.
  EXPECT_EQ(unit.Model().StoredValue(Param_Timer_after_reacting_any_sensor), (Report{0x01, 0x5F, 0x90}));
}

TEST_F(SetAndRedact, SetOfAWiFiKeyOfTheUnitsModeWritesTheWiFiSectionOnly) {
  sim::SimulatedUnit& unit = Unit(kHome);
  const CliRun run = Run({"set", "wifi.master_address=192.168.1.60"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "Wrote [wifi] to unit 1 (Pendra DUO, PD42); read back, it holds every value sent.\n");
  EXPECT_EQ(unit.Model().StoredValue(Param_IP_Master), (Report{192, 168, 1, 60}));
  EXPECT_TRUE(Sent(unit, Param_Wi_Fi_password, u"mossy-fern-42"));
  const auto log = unit.Model().OutputLog();
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const Report& r) {
    return r[1] == Param_Humidity_sensor_threshold;
  }));
}

TEST_F(SetAndRedact, ARoleChangeMakesTheSlavesKeysApply) {
  sim::SimulatedUnit& unit = Unit(kHome);
  const CliRun run = Run({"set", "wifi.role=slave", "wifi.slave_number=3", "wifi.slave_address_mode=dhcp"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(unit.Model().StoredValue(Param_Device_mode), (Report{0}));
  EXPECT_EQ(unit.Model().StoredValue(Param_Number_Slave), (Report{2}));
  EXPECT_EQ(unit.Model().StoredValue(Param_IP_Slave_mode), (Report{1}));
}

TEST_F(SetAndRedact, SetOfThePasswordsPlaceholderKeepsTheUnitsPassword) {
  sim::SimulatedUnit& unit = Unit(kOddPassword);
  const CliRun run = Run({"set", "wifi.password=(not read out)", "wifi.name=Attic"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_TRUE(Sent(unit, Param_Wi_Fi_password, kOddPassword.password));
  EXPECT_EQ(Bytes(unit.Model().StoredValue(Param_Wi_Fi_name)), "Attic");
}

struct OutOfMode {
  const char* what;
  WiFiSettings unit;
  std::vector<std::string> words;
  std::string err;
};
void PrintTo(const OutOfMode& c, std::ostream* os) { *os << c.what; }

class SetOutOfMode : public SetAndRedact, public testing::WithParamInterface<OutOfMode> {};

TEST_P(SetOutOfMode, IsRefusedWithTheReasonAndNothingIsWritten) {
  const OutOfMode& c = GetParam();
  sim::SimulatedUnit& unit = Unit(c.unit);
  std::vector<std::string> args{"set"};
  args.insert(args.end(), c.words.begin(), c.words.end());
  const CliRun run = Run(args);
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, c.err + "\nombrel-cli: nothing was written\n");
  ExpectNothingWritten(unit);
}

const WiFiSettings kSlaveOfAccessPoint = With(kHome, [](WiFiSettings& s) {
  s.role = 0;
  s.networkName = u"Kirrowind_Pendra";
});

INSTANTIATE_TEST_SUITE_P(
    Cases, SetOutOfMode,
    testing::Values(
        OutOfMode{"ChannelWithARouter", kHome, {"wifi.channel=11"},
                  "wifi.channel=11: applies to a master without a router; unit 1 (Pendra DUO, PD42) is a master "
                  "with a router"},
        OutOfMode{"SecurityWithARouter", kHome, {"wifi.security=OPEN"},
                  "wifi.security=OPEN: applies to a master without a router; unit 1 (Pendra DUO, PD42) is a master "
                  "with a router"},
        OutOfMode{"SlaveNumberOfAMaster", kAccessPoint, {"wifi.slave_number=3"},
                  "wifi.slave_number=3: applies to a slave; unit 1 (Pendra DUO, PD42) is a master without a router"},
        OutOfMode{"SlaveAddressOfAMaster", kHome, {"wifi.slave_address=192.168.1.9"},
                  "wifi.slave_address=192.168.1.9: applies to a slave; unit 1 (Pendra DUO, PD42) is a master with a "
                  "router"},
        OutOfMode{"SlaveAddressModeWithoutARouter", kSlaveOfAccessPoint, {"wifi.slave_address_mode=static"},
                  // No warning that static is not sent: the refusal says more.
                  "wifi.slave_address_mode=static: applies to a slave with a router; unit 1 (Pendra DUO, PD42) is a "
                  "slave without a router"},
        OutOfMode{"MasterAddressOfAnAccessPoint", kAccessPoint, {"wifi.master_address=192.168.4.9"},
                  "wifi.master_address=192.168.4.9: applies to a unit with a router (master or slave); unit 1 "
                  "(Pendra DUO, PD42) is a master without a router"},
        // The mode after the changes decides.
        OutOfMode{"AfterARoleChange", kHome, {"wifi.role=slave", "wifi.channel=3"},
                  "wifi.channel=3: applies to a master without a router; after these changes unit 1 (Pendra DUO, "
                  "PD42) is a slave with a router"},
        OutOfMode{"AfterARouterChange", kHome, {"wifi.master_address=192.168.1.9", "wifi.router=no"},
                  "wifi.master_address=192.168.1.9: applies to a unit with a router (master or slave); after these "
                  "changes unit 1 (Pendra DUO, PD42) is a master without a router"},
        // Values are checked as a file's, before the mode.
        OutOfMode{"ABadValue", kHome, {"fan.humidity_threshold=99"},
                  "fan.humidity_threshold=99: expected 40 to 80 in steps of 5"}),
    [](const testing::TestParamInfo<OutOfMode>& info) { return std::string(info.param.what); });

TEST_F(SetAndRedact, SetsWrongWordsAreRefusedBeforeTheUnitIsAsked) {
  sim::SimulatedUnit& unit = Unit(kHome);
  const CliRun run = Run({"set", "fan.humidity_treshold=45", "fan.direction=supply", "Fan.Direction=exhaust"});
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_EQ(run.err,
            "fan.humidity_treshold=...: [fan] unknown key 'humidity_treshold' (did you mean humidity_threshold?)\n"
            "Fan.Direction=exhaust: fan.direction is given twice (first fan.direction=supply)\n"
            "ombrel-cli: nothing was written\n");
  EXPECT_EQ(unit.Model().OutputReportCount(), 0u);
  EXPECT_EQ(Run({"set"}).err, "ombrel-cli: set takes S.KEY=VALUE... (see ombrel-cli help set)\n");
}

TEST_F(SetAndRedact, SetOnAUnitThatStopsAnsweringWritesNothing) {
  answerLimit = std::chrono::milliseconds(50);
  sim::SimulatedUnit& unit = Unit(kHome);
  AnswerOnly(unit, 4);
  const CliRun run = Run({"set", "fan.humidity_threshold=45"});
  EXPECT_EQ(run.code, cli::kExitUnit);
  EXPECT_NE(run.err.find("stopped answering"), std::string::npos) << run.err;
  ExpectNothingWritten(unit);
}

// --redact ------------------------------------------------------------------

TEST_F(SetAndRedact, ReadRedactPrintsAPlaceholderAndNoPassword) {
  sim::SimulatedUnit& unit = Unit(kHome);
  const std::string ini = ReadFile(unit, {"--redact"});
  EXPECT_NE(ini.find("\npassword = (not read out) ; left out by --redact: a write keeps the unit's password\n"),
            std::string::npos)
      << ini;
  const std::string json = ReadFile(unit, {"--redact", "--json"});
  EXPECT_NE(json.find("\n    \"password\": {\"redacted\": true},\n"), std::string::npos) << json;
  for (const std::string& out : {ini, json}) EXPECT_EQ(out.find("mossy"), std::string::npos) << out;
}

class RedactedWrite : public SetAndRedact, public testing::WithParamInterface<bool> {};

TEST_P(RedactedWrite, KeepsTheUnitsPasswordByteForByteAndNeverSendsThePlaceholder) {
  const bool json = GetParam();
  sim::SimulatedUnit& unit = Unit(kOddPassword);
  std::vector<std::string> read{"--redact"};
  if (json) read.push_back("--json");
  std::string file = ReadFile(unit, read);
  file = json ? Replaced(file, "\"name\": \"Birchwood-Home\"", "\"name\": \"Birchwood-Attic\"")
              : Replaced(file, "name = \"Birchwood-Home\"", "name = \"Birchwood-Attic\"");
  const Report before = unit.Model().StoredValue(Param_Wi_Fi_password);
  const CliRun run = Run({"write", "-"}, file);
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "Wrote [wifi] and [fan] to unit 1 (Pendra DUO, PD42); read back, it holds every value sent.\n");
  EXPECT_EQ(Bytes(unit.Model().StoredValue(Param_Wi_Fi_name)), "Birchwood-Attic");
  EXPECT_EQ(unit.Model().StoredValue(Param_Wi_Fi_password), before);
  EXPECT_TRUE(Sent(unit, Param_Wi_Fi_password, kOddPassword.password));
  EXPECT_FALSE(Sent(unit, Param_Wi_Fi_password, u"(not read out)"));
  EXPECT_FALSE(Sent(unit, Param_Wi_Fi_password, u""));
}

INSTANTIATE_TEST_SUITE_P(IniAndJson, RedactedWrite, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Json" : "Ini"; });

TEST_F(SetAndRedact, ARedactedWriteToAnAccessPointWithAShortPasswordWritesNothing) {
  sim::SimulatedUnit& unit = Unit(kAccessPoint);
  const std::string file = ReadFile(unit, {"--redact"});
  unit.Model().SetText(Param_Wi_Fi_password, "short");
  const CliRun run = Run({"write", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitBadInput);
  EXPECT_EQ(run.err,
            "ombrel-cli: [wifi] password: left out of the file, and the one unit 1 (Pendra DUO, PD42) holds has 5 "
            "characters; a master without a router needs 8 to 60 unless its security is OPEN\n"
            "ombrel-cli: nothing was written\n");
  ExpectNothingWritten(unit);
  // The file is fine; the unit's password is what stops it.
  EXPECT_EQ(Run({"check", "-"}, file).code, cli::kExitOk);
}

TEST_F(SetAndRedact, ARedactedWriteWhoseUnitCannotBeReadWritesNothing) {
  answerLimit = std::chrono::milliseconds(50);
  sim::SimulatedUnit& unit = Unit(kHome);
  const std::string file = ReadFile(unit, {"--redact"});
  AnswerOnly(unit, 5);
  const CliRun run = Run({"write", "-"}, file);
  EXPECT_EQ(run.code, cli::kExitUnit);
  EXPECT_NE(run.err.find("ombrel-cli: the file leaves the password out, and the one unit 1 (Pendra DUO, PD42) holds "
                         "could not be read: nothing was written\n"),
            std::string::npos)
      << run.err;
  ExpectNothingWritten(unit);
}

TEST_F(SetAndRedact, DiffOfARedactedFileDoesNotReportThePassword) {
  sim::SimulatedUnit& unit = Unit(kHome);
  const std::string file = ReadFile(unit, {"--redact"});
  unit.Model().SetText(Param_Wi_Fi_password, "changed-since");
  const CliRun same = Run({"diff", "-"}, file);
  EXPECT_EQ(same.code, cli::kExitOk) << same.err;
  EXPECT_EQ(same.out, "");
  // Beside another difference too.
  const CliRun other = Run({"diff", "-"}, Replaced(file, "channel = 6", "channel = 7"));
  EXPECT_EQ(other.code, 1);
  EXPECT_EQ(other.out, "[wifi] channel: unit 6, file 7\n");
  unit.Model().SetByte(Param_Humidity_sensor_threshold, 50);
  EXPECT_EQ(Run({"diff", "-"}, file).out, "[fan] humidity_threshold: unit 50, file 70\n");
}

TEST_F(SetAndRedact, CheckAcceptsARedactedFileAndSaysThePasswordIsKept) {
  sim::SimulatedUnit& unit = Unit(kAccessPoint);
  for (const bool json : {false, true}) {
    const std::string file = ReadFile(unit, json ? std::vector<std::string>{"--redact", "--json"}
                                                 : std::vector<std::string>{"--redact"});
    const CliRun run = Run({"check", "-"}, file);
    EXPECT_EQ(run.code, cli::kExitOk) << run.err;
    EXPECT_EQ(run.out, "<stdin>: [wifi] and [fan] can be written (the password is left out: the unit keeps its own).\n");
    EXPECT_EQ(run.err, "");
  }
}

// Which forms stand for a password left out, and which are a password.
struct PasswordForm {
  const char* what;
  std::string ini;  // the password line, or empty for `json`
  std::string json;
  bool leftOut;
  std::string password;  // when not left out
  std::string problem;   // when refused
};
void PrintTo(const PasswordForm& c, std::ostream* os) { *os << c.what; }

class PasswordForms : public testing::TestWithParam<PasswordForm> {};

TEST_P(PasswordForms, OnlyTheExactPlaceholderLeavesThePasswordOut) {
  const PasswordForm& c = GetParam();
  const std::string ini = "[wifi]\nrole = master\nrouter = yes\nname = Home\n" + c.ini +
                          "\nsecurity = OPEN\nchannel = 1\nslave_number = 1\nslave_address_mode = dhcp\n"
                          "slave_address = 10.0.0.3\nmaster_address = 10.0.0.2\ngateway = 10.0.0.1\n";
  const std::string json = "{\"wifi\": {\"role\": \"master\", \"router\": true, \"name\": \"Home\", \"password\": " +
                           c.json +
                           ", \"security\": \"OPEN\", \"channel\": 1, \"slave_number\": 1, \"slave_address_mode\": "
                           "\"dhcp\", \"slave_address\": \"10.0.0.3\", \"master_address\": \"10.0.0.2\", "
                           "\"gateway\": \"10.0.0.1\"}}";
  const cli::ParsedSettings parsed = cli::ParseSettingsFile(c.ini.empty() ? json : ini, "f");
  if (!c.problem.empty()) {
    EXPECT_EQ(parsed.problems, std::vector<std::string>{c.problem});
    return;
  }
  ASSERT_EQ(parsed.problems, std::vector<std::string>{});
  ASSERT_TRUE(parsed.record.wifi);
  EXPECT_EQ(parsed.record.wifi->passwordLeftOut, c.leftOut);
  EXPECT_EQ(parsed.record.wifi->values.password, std::u16string(c.password.begin(), c.password.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordForms,
    testing::Values(
        PasswordForm{"IniBare", "password = (not read out)", "", true, "", ""},
        PasswordForm{"IniBareWithComment", "password = (not read out) ; left out", "", true, "", ""},
        PasswordForm{"IniQuotedIsAPassword", "password = \"(not read out)\"", "", false, "(not read out)", ""},
        PasswordForm{"IniOtherCaseIsAPassword", "password = (Not read out)", "", false, "(Not read out)", ""},
        PasswordForm{"JsonObject", "", "{\"redacted\": true}", true, "", ""},
        PasswordForm{"JsonObjectOtherBlanks", "", "{ \"redacted\" :true\n}", true, "", ""},
        PasswordForm{"JsonStringIsAPassword", "", "\"(not read out)\"", false, "(not read out)", ""},
        PasswordForm{"JsonOtherObject", "", "{\"redacted\": false}", false, "",
                     "f:1: [wifi] password: expected a string, found an object"},
        PasswordForm{"JsonObjectWithMore", "", "{\"redacted\": true, \"x\": 1}", false, "",
                     "f:1: [wifi] password: expected a string, found an object"}),
    [](const testing::TestParamInfo<PasswordForm>& info) { return std::string(info.param.what); });

TEST(RedactedFile, PrintsAndReadsBackTheSame) {
  cli::SettingsRecord record;
  record.wifi = cli::WiFiRecord{};
  record.wifi->values = kHome;
  record.wifi->withRouter = true;
  record.wifi->passwordLeftOut = true;
  record.wifi->values.password.clear();
  for (const std::string& text : {cli::FormatIni(record), cli::FormatJson(record)}) {
    const cli::ParsedSettings parsed = cli::ParseSettingsFile(text, "f");
    ASSERT_EQ(parsed.problems, std::vector<std::string>{}) << text;
    ASSERT_TRUE(parsed.record.wifi);
    EXPECT_TRUE(parsed.record.wifi->passwordLeftOut);
    EXPECT_EQ(cli::FormatIni(parsed.record), cli::FormatIni(record));
  }
}

}  // namespace
}  // namespace ombrel::test
