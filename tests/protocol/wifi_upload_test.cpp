// The Wi-Fi upload, byte for byte: what each mode takes from the page, what
// goes out as last known, the checks, and the module's restart.
#include <gtest/gtest.h>

#include "protocol/wifi_upload.h"
#include "tests/support/recording_link.h"
#include "tests/support/window_sequences.h"

namespace ombrel::test {
namespace {

// What the unit reported before: every entry differs from the pages below.
const WiFiSettings kLastKnown{.role = 7,
                              .networkName = u"old-name",
                              .password = u"old-password",
                              .slaveNumber = 4,
                              .slaveAddressMode = 0,
                              .slaveAddress = {10, 0, 0, 9},
                              .masterAddress = {10, 0, 0, 8},
                              .connectionType = 9,
                              .channel = 3,
                              .security = '2',
                              .gateway = {10, 0, 0, 254}};

struct ModeCase {
  const char* mode;
  WiFiPage page;
  WiFiSettings sent;
};

// Names the case in test listings instead of its bytes.
void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.mode; }

class WiFiUploadModes : public testing::TestWithParam<ModeCase> {};

TEST_P(WiFiUploadModes, WritesThePageAndTheLastKnownRestInTheUnitsOrder) {
  const ModeCase& c = GetParam();
  WiFiSettings settings = kLastKnown;
  RecordingLink recorder;
  EXPECT_EQ(UploadWiFi(settings, c.page, recorder.Link()), std::nullopt);
  EXPECT_EQ(recorder.reports, WindowWiFiUpload(c.sent));
  // The module restarts after the transfer's thirteen writes, off then on.
  EXPECT_EQ(recorder.pauses, (std::vector<PauseMark>{{100, 13}, {250, 14}}));
  // What went out is what is known now.
  EXPECT_EQ(recorder.reports, WindowWiFiUpload(settings));
}

INSTANTIATE_TEST_SUITE_P(
    EachMode, WiFiUploadModes,
    testing::Values(
        // Channel, security and the slave's entries are not offered: last known.
        ModeCase{"MasterWithRouter",
                 {.master = true, .withRouter = true, .networkName = u"Birchwood", .password = u"pw",
                  .channel = 5, .slaveNumber = 2, .securityIndex = 0, .slaveAddressIndex = 1,
                  .masterAddress = {192, 168, 1, 50}, .slaveAddress = {192, 168, 1, 60},
                  .gateway = {192, 168, 1, 254}},
                 {.role = 1, .networkName = u"Birchwood", .password = u"pw", .slaveNumber = 4,
                  .slaveAddressMode = 0, .slaveAddress = {10, 0, 0, 9}, .masterAddress = {192, 168, 1, 50},
                  .connectionType = 1, .channel = 3, .security = '2', .gateway = {192, 168, 1, 254}}},
        // The access point: its own address, channel and security; OPEN
        // takes an empty password, which goes out with count 0.
        ModeCase{"MasterWithoutRouterOpen",
                 {.master = true, .withRouter = false, .networkName = u"", .password = u"",
                  .channel = 5, .slaveNumber = 2, .securityIndex = 0, .masterAddress = {192, 168, 1, 50},
                  .gateway = {192, 168, 0, 1}},
                 {.role = 1, .networkName = u"", .password = u"", .slaveNumber = 4, .slaveAddressMode = 0,
                  .slaveAddress = {10, 0, 0, 9}, .masterAddress = {192, 168, 4, 1}, .connectionType = 2,
                  .channel = 5, .security = '0', .gateway = {192, 168, 0, 1}}},
        ModeCase{"MasterWithoutRouterWpaWpa2",
                 {.master = true, .withRouter = false, .networkName = u"Kirrowind_1", .password = u"12345678",
                  .channel = 13, .securityIndex = 3},
                 {.role = 1, .networkName = u"Kirrowind_1", .password = u"12345678", .slaveNumber = 4,
                  .slaveAddressMode = 0, .slaveAddress = {10, 0, 0, 9}, .masterAddress = {192, 168, 4, 1},
                  .connectionType = 2, .channel = 13, .security = '4', .gateway = {192, 168, 0, 1}}},
        // A slave always writes connection type 1; static address here.
        ModeCase{"SlaveWithRouterStatic",
                 {.master = false, .withRouter = true, .networkName = u"Birchwood", .password = u"secret-1",
                  .channel = 5, .slaveNumber = 32, .securityIndex = 0, .slaveAddressIndex = 1,
                  .masterAddress = {192, 168, 1, 50}, .slaveAddress = {192, 168, 1, 61},
                  .gateway = {192, 168, 1, 254}},
                 {.role = 0, .networkName = u"Birchwood", .password = u"secret-1", .slaveNumber = 31,
                  .slaveAddressMode = 0, .slaveAddress = {192, 168, 1, 61}, .masterAddress = {192, 168, 1, 50},
                  .connectionType = 1, .channel = 3, .security = '2', .gateway = {192, 168, 1, 254}}},
        // Without a router the master is the access point and the slave's
        // address comes by DHCP, whatever the page says.
        ModeCase{"SlaveWithoutRouter",
                 {.master = false, .withRouter = false, .networkName = u"Kirrowind_Pendra",
                  .password = u"12345678", .slaveNumber = 1, .slaveAddressIndex = 1,
                  .masterAddress = {192, 168, 1, 50}, .slaveAddress = {192, 168, 4, 2},
                  .gateway = {192, 168, 4, 1}},
                 {.role = 0, .networkName = u"Kirrowind_Pendra", .password = u"12345678", .slaveNumber = 0,
                  .slaveAddressMode = 1, .slaveAddress = {192, 168, 4, 2}, .masterAddress = {192, 168, 4, 1},
                  .connectionType = 1, .channel = 3, .security = '2', .gateway = {192, 168, 4, 1}}}),
    [](const testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.mode); });

struct RefusalCase {
  const char* what;
  WiFiPage page;
  UploadRefusal refusal;
  WiFiSettings kept;  // what the refused upload leaves as last known
};

// Names the case in test listings instead of its bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.what; }

class WiFiUploadRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(WiFiUploadRefusals, WriteNothingAndKeepWhatWasTaken) {
  const RefusalCase& c = GetParam();
  WiFiSettings settings = kLastKnown;
  RecordingLink recorder;
  EXPECT_EQ(UploadWiFi(settings, c.page, recorder.Link()), c.refusal);
  EXPECT_TRUE(recorder.reports.empty());
  EXPECT_TRUE(recorder.pauses.empty());
  EXPECT_EQ(WindowWiFiUpload(settings), WindowWiFiUpload(c.kept));
}

INSTANTIATE_TEST_SUITE_P(
    EachCheck, WiFiUploadRefusals,
    testing::Values(
        RefusalCase{"MasterWithRouterEmptyName",
                    {.master = true, .withRouter = true, .password = u"pw", .masterAddress = {10, 1, 1, 1}},
                    {kRowNameLength},
                    {.role = 1, .networkName = u"", .password = u"pw", .slaveNumber = 4, .slaveAddressMode = 0,
                     .slaveAddress = {10, 0, 0, 9}, .masterAddress = {10, 1, 1, 1}, .connectionType = 1,
                     .channel = 3, .security = '2', .gateway = {192, 168, 0, 1}}},
        // The chosen channel and security stay known for a later upload.
        RefusalCase{"AccessPointShortPassword",
                    {.master = true, .withRouter = false, .networkName = u"Kirrowind_1", .password = u"1234567",
                     .channel = 9, .securityIndex = 2},
                    {kRowPasswordLength},
                    {.role = 1, .networkName = u"Kirrowind_1", .password = u"1234567", .slaveNumber = 4,
                     .slaveAddressMode = 0, .slaveAddress = {10, 0, 0, 9}, .masterAddress = {192, 168, 4, 1},
                     .connectionType = 2, .channel = 9, .security = '3', .gateway = {192, 168, 0, 1}}},
        RefusalCase{"SlaveEmptyName",
                    {.master = false, .withRouter = true, .slaveNumber = 3, .slaveAddressIndex = 0,
                     .masterAddress = {10, 1, 1, 1}, .slaveAddress = {10, 1, 1, 3}},
                    {kRowNameLength},
                    {.role = 0, .networkName = u"", .password = u"", .slaveNumber = 2, .slaveAddressMode = 1,
                     .slaveAddress = {10, 1, 1, 3}, .masterAddress = {10, 1, 1, 1}, .connectionType = 1,
                     .channel = 3, .security = '2', .gateway = {192, 168, 0, 1}}},
        // A list without a selection ends the taking where its number is needed.
        RefusalCase{"AccessPointWithoutChannel",
                    {.master = true, .withRouter = false, .networkName = u"n", .password = u"12345678",
                     .channel = std::nullopt},
                    {std::nullopt},
                    {.role = 1, .networkName = u"old-name", .password = u"old-password", .slaveNumber = 4,
                     .slaveAddressMode = 0, .slaveAddress = {10, 0, 0, 9}, .masterAddress = {192, 168, 4, 1},
                     .connectionType = 2, .channel = 3, .security = '2', .gateway = {10, 0, 0, 254}}},
        RefusalCase{"SlaveWithoutNumber",
                    {.master = false, .withRouter = true, .networkName = u"n", .slaveNumber = std::nullopt},
                    {std::nullopt},
                    {.role = 0, .networkName = u"old-name", .password = u"old-password", .slaveNumber = 4,
                     .slaveAddressMode = 0, .slaveAddress = {10, 0, 0, 9}, .masterAddress = {10, 0, 0, 8},
                     .connectionType = 1, .channel = 3, .security = '2', .gateway = {10, 0, 0, 254}}}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.what); });

TEST(WiFiUploadChecks, OpenAccessPointTakesAnyPasswordLength) {
  for (const std::u16string& password : {std::u16string(), std::u16string(u"1234567")}) {
    WiFiSettings settings;
    RecordingLink recorder;
    EXPECT_EQ(UploadWiFi(settings, {.password = password, .securityIndex = kSecurityOpen}, recorder.Link()),
              std::nullopt);
    EXPECT_EQ(recorder.reports.size(), 15u);
  }
}

TEST(WiFiUploadChecks, SecurityWithoutSelectionKeepsTheLastKnownDigitAndWantsALongPassword) {
  WiFiSettings settings{.security = '4'};
  RecordingLink recorder;
  const auto refusal = UploadWiFi(settings, {.password = u"short", .securityIndex = -1}, recorder.Link());
  ASSERT_TRUE(refusal.has_value());
  EXPECT_EQ(refusal->row, kRowPasswordLength);
  EXPECT_EQ(settings.security, '4');
}

}  // namespace
}  // namespace ombrel::test
