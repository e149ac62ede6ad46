#include <gtest/gtest.h>

#include "hid/hid_read_thread.h"
#include "hid_fixture.h"

namespace ombrel::test {
namespace {

using platform::VirtualOpen;
using Bytes = std::vector<std::uint8_t>;

class DeviceTest : public HidLinkTest {};

TEST_F(DeviceTest, DirectCreationIsRefused) {
  try {
    TJvHidDevice::Create();
    FAIL() << "no exception";
  } catch (const EControllerError& e) {
    EXPECT_STREQ(e.what(), "Direct creation of a TJvHidDevice object is not allowed");
  }
  try {
    TJvHidDeviceReadThread::Create();
    FAIL() << "no exception";
  } catch (const EControllerError& e) {
    EXPECT_STREQ(e.what(), "Direct creation of a TJvDeviceReadThread object is not allowed");
  }
}

TEST_F(DeviceTest, ConstructionNamesWhyItFailedAndLeavesTheRecordToTheCaller) {
  struct Case {
    platform::VirtualHidFaults faults;
    const char* error;
  };
  MakeController();
  struct Why {
    platform::HidError code;
    std::string message;  // for people; empty where no open failed
  };
  const auto cases = {
      std::pair{Case{{.Open = VirtualOpen::Refused}, "Device cannot be opened"},
                Why{32, "open PATH: in use by another process"}},
      std::pair{Case{{.CannotIdentify = true}, "Device cannot be identified"},
                Why{platform::kErrorSuccess, ""}}};
  for (const auto& [c, why] : cases) {
    VirtualHidDeviceSetup setup = UnitSetup();
    setup.Faults = c.faults;
    auto unit = Plug(setup);
    auto record = std::make_unique<TJvHidPnPInfo>(
        platform::HidInterface{unit->DeviceID(), unit->DevicePath(), {}});
    const TJvHidPnPInfo* kept = record.get();
    try {
      TJvHidDevice::CreateForController(record, Controller.get());
      ADD_FAILURE() << "constructed";
    } catch (const EControllerError& e) {
      EXPECT_STREQ(e.what(), c.error);
      // The last open tried was the one without access rights.
      std::string message = why.message;
      if (auto at = message.find("PATH"); at != std::string::npos)
        message.replace(at, 4, unit->DevicePath());
      EXPECT_EQ(e.Why().Code, why.code) << c.error;
      EXPECT_EQ(e.Why().Message(), message) << c.error;
    }
    EXPECT_EQ(record.get(), kept) << c.error;
    EXPECT_EQ(unit->OpenHandles(), 0u) << "nothing left open";

    unit->SetFaults({});
    auto device = TJvHidDevice::CreateForController(record, Controller.get());
    EXPECT_EQ(record, nullptr) << "a built device owns the record";
    EXPECT_EQ(&device->PnPInfo(), kept);
    EXPECT_EQ(device->Attributes().ProductID, 0x5750);
    unit->Unplug();
  }
}

TEST_F(DeviceTest, ADeviceOpenOnlyWithoutAccessGetsNoReaderAndCannotWrite) {
  VirtualHidDeviceSetup setup = UnitSetup();
  setup.Faults.Open = VirtualOpen::WithoutAccessOnly;
  auto unit = Plug(setup);
  Start();
  Controller->SetOnDeviceData([](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
  TJvHidDevice* dev = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(dev, 0));
  EXPECT_FALSE(dev->HasReadWriteAccess());
  // Why, for a person: the open for reading and writing was refused.
  const platform::OpenError& why = dev->ReadWriteOpenError();
  EXPECT_EQ(why.Code, platform::kErrorAccessDenied);
  EXPECT_EQ(why.Path, unit->DevicePath());
  EXPECT_EQ(why.Message(), "open " + unit->DevicePath() + " for reading and writing: access denied");
  EXPECT_EQ(dev->DataThread(), nullptr);
  EXPECT_EQ(dev->ProductName(), "Pendra") << "descriptions need no access rights";
  std::uint32_t written = 7;
  Bytes report(65, 0);
  EXPECT_FALSE(dev->WriteFile(report.data(), 65, written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(unit->OutputReportCount(), 0u);
}

TEST_F(DeviceTest, ReadWriteOpenErrorIsForgottenOnceAnOpenWorks) {
  VirtualHidDeviceSetup setup = UnitSetup();
  setup.Faults.Open = VirtualOpen::WithoutAccessOnly;
  auto unit = Plug(setup);
  Start();
  TJvHidDevice* dev = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(dev, 0));
  ASSERT_TRUE(dev->ReadWriteOpenError().Failed());
  unit->SetFaults({});  // the user was given access
  Bytes report(65, 0);
  std::uint32_t written = 0;
  EXPECT_TRUE(dev->WriteFile(report.data(), 65, written));
  EXPECT_TRUE(dev->HasReadWriteAccess());
  EXPECT_FALSE(dev->ReadWriteOpenError().Failed());
  EXPECT_EQ(dev->ReadWriteOpenError().Message(), "");
}

TEST_F(DeviceTest, WritesReachTheDeviceByteForByteAndTheHandleStaysOpen) {
  auto unit = Plug();
  Start();
  TJvHidDevice* dev = nullptr;
  ASSERT_TRUE(Controller->CheckOut(dev));
  Bytes report(65, 0);
  report[0] = 1;
  report[1] = 0x10;
  report[2] = 1;
  report[3] = 5;
  std::uint32_t written = 0;
  ASSERT_TRUE(dev->WriteFile(report.data(), 65, written));
  EXPECT_EQ(written, 65u);
  EXPECT_TRUE(dev->HidFileHandle());
  report[3] = 23;
  ASSERT_TRUE(dev->WriteFile(report.data(), 65, written));
  ASSERT_EQ(unit->OutputReportCount(), 2u);
  EXPECT_EQ(unit->OutputReports()[0][3], 5);
  EXPECT_EQ(unit->OutputReports()[1], report);
  EXPECT_EQ(unit->OpenCount(), 2u) << "one open at construction, one for both writes";

  unit->SetFaults({.WriteFails = true});
  EXPECT_FALSE(dev->WriteFile(report.data(), 65, written));
}

TEST_F(DeviceTest, DescriptionsOpenNothingUnlessTheDeviceIsOpenable) {
  auto unit = Plug();
  Start();
  TJvHidDevice* dev = Controller->DeviceAt(0);
  std::size_t opens = unit->OpenCount();
  EXPECT_EQ(dev->ProductName(), "");
  EXPECT_EQ(dev->VendorName(), "");
  EXPECT_EQ(dev->SerialNumber(), "");
  EXPECT_EQ(dev->Caps(), THIDPCaps{}) << "never fetched, not openable: all zeros";
  EXPECT_FALSE(dev->OpenFile());
  EXPECT_EQ(unit->OpenCount(), opens);

  TJvHidDevice* out = nullptr;
  ASSERT_TRUE(Controller->CheckOut(out));
  EXPECT_EQ(out->Caps().InputReportByteLength, 65);
  EXPECT_EQ(out->ProductName(), "Pendra");
  EXPECT_EQ(out->VendorName(), "Kolvmark Tovra");
  EXPECT_EQ(out->HidFileHandle(), nullptr) << "descriptions close what they opened";
  Controller->CheckIn(out);
  EXPECT_EQ(dev->Caps().OutputReportByteLength, 65) << "kept after it stopped being openable";
  EXPECT_EQ(dev->ProductName(), "Pendra") << "cached";
}

TEST_F(DeviceTest, StringsAreCutAtTheFirstNulAndASerialEqualToTheLanguageListIsNone) {
  struct Case {
    std::optional<std::u16string> product, serial;
    std::optional<std::vector<std::uint16_t>> languages;
    std::string wantProduct, wantSerial;
  };
  const Case cases[] = {
      {std::u16string(u"Pendra\0DUO", 10), u"KT-7", std::vector<std::uint16_t>{0x0409}, "Pendra",
       "KT-7"},
      {u"Pendra DUO", std::u16string(u"\x0409"), std::vector<std::uint16_t>{0x0409},
       "Pendra DUO", ""},
      {u"\x041f\x0435\x043d", std::u16string(u"\x0409\x0407", 2),
       std::vector<std::uint16_t>{0x0409, 0x0407}, "\xd0\x9f\xd0\xb5\xd0\xbd", ""},
      // Compared over the list's length only: a serial starting with it is none either.
      {u"Pendra", u"\x0409Z", std::vector<std::uint16_t>{0x0409}, "Pendra", ""},
      {u"Pendra", u"KT-9", std::vector<std::uint16_t>{0x0409, 0x0407}, "Pendra", "KT-9"},
      {u"\xD83D\xDE00 \xD800!", u"KT-9", std::vector<std::uint16_t>{0x0409},
       "\xF0\x9F\x98\x80 \xEF\xBF\xBD!", "KT-9"},
      {std::nullopt, u"KT-9", std::nullopt, "", ""},
      {u"Pendra", u"KT-9", std::vector<std::uint16_t>{}, "Pendra", ""},
  };
  Start();
  for (const Case& c : cases) {
    VirtualHidDeviceSetup setup = UnitSetup();
    setup.Product = c.product;
    setup.SerialNumber = c.serial;
    setup.LanguageIds = c.languages;
    auto unit = Plug(setup);
    Window.Pump();
    TJvHidDevice* dev = nullptr;
    ASSERT_TRUE(Controller->CheckOutByID(dev, 0x0483, 0x5750));
    EXPECT_EQ(dev->ProductName(), c.wantProduct);
    EXPECT_EQ(dev->SerialNumber(), c.wantSerial) << c.wantProduct;
    unit->Unplug();
    Window.Pump();
    Controller->CheckIn(dev);
  }
}

TEST_F(DeviceTest, LanguageStringsNameKnownIdsAndShowUnknownOnesInHex) {
  VirtualHidDeviceSetup setup = UnitSetup();
  setup.LanguageIds = std::vector<std::uint16_t>{0x0409, 0x0419, 0x2bcd};
  Plug(setup);
  Start();
  TJvHidDevice* dev = nullptr;
  ASSERT_TRUE(Controller->CheckOut(dev));
  EXPECT_EQ(dev->LanguageStrings(), (std::vector<std::string>{"English (United States)",
                                                              "Russian (Russia)",
                                                              "Unknown Locale ID $2bcd"}));
  EXPECT_EQ(dev->GetDeviceString(0), "");
}

TEST_F(DeviceTest, TimingSettersKeepTheirRanges) {
  Plug();
  Start();
  TJvHidDevice* dev = Controller->DeviceAt(0);
  ASSERT_EQ(dev->ThreadSleepTime(), 10u);
  struct Case {
    std::int64_t value;
    std::uint32_t sleep, delay;
  };
  for (Case c : {Case{5, 10, 5}, Case{20000, 10, 5}, Case{-1, 10, 5}, Case{0, 10, 0},
                 Case{10000, 10000, 10000}, Case{10, 10, 10}}) {
    dev->SetThreadSleepTime(c.value);
    dev->SetPollingDelayTime(c.value);
    EXPECT_EQ(dev->ThreadSleepTime(), c.sleep) << c.value;
    EXPECT_EQ(dev->PollingDelayTime(), c.delay) << c.value;
  }
}

TEST_F(DeviceTest, CheckOutOnlyOnceAndOnlyWhilePluggedIn) {
  auto unit = Plug();
  Start();
  TJvHidDevice* dev = Controller->DeviceAt(0);
  ASSERT_TRUE(dev->CheckOut());
  EXPECT_EQ(Count(), (Counters{0, 1, 0}));
  EXPECT_FALSE(dev->CheckOut());
  EXPECT_EQ(Count(), (Counters{0, 1, 0}));
  unit->Unplug();
  Window.Pump();
  EXPECT_FALSE(dev->IsPluggedIn());
  EXPECT_FALSE(dev->CheckOut());
  EXPECT_EQ(Count(), (Counters{0, 0, 1}));
}

TEST_F(DeviceTest, ReleasingACheckedOutPresentDeviceLeavesAFreshCheckedInObject) {
  Plug(UnitSetup(u"Other", 0x1234, 1));
  auto unit = Plug();
  Start();
  TJvHidDataEvent handler = [](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
  TJvHidPlugEvent onUnplug = [](TJvHidDevice*) {};
  Controller->SetOnDeviceData(handler);
  TJvHidDevice* dev = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(dev, 1));
  dev->SetOnUnplug(onUnplug);
  dev->SetPollingDelayTime(250);
  ASSERT_NE(dev->DataThread(), nullptr);
  const TJvHidPnPInfo* record = &dev->PnPInfo();
  ASSERT_EQ(Count(), (Counters{1, 1, 0}));

  dev->Free();
  ASSERT_EQ(Controller->DeviceCount(), 2);
  TJvHidDevice* fresh = Controller->DeviceAt(1);
  EXPECT_FALSE(fresh->IsCheckedOut());
  EXPECT_TRUE(fresh->OnData() == handler);
  EXPECT_TRUE(fresh->OnUnplug() == onUnplug);
  EXPECT_EQ(fresh->PollingDelayTime(), 250u);
  EXPECT_EQ(&fresh->PnPInfo(), record) << "the record moved over";
  EXPECT_EQ(fresh->DataThread(), nullptr);
  EXPECT_EQ(Count(), (Counters{2, 0, 0}));
  EXPECT_EQ(unit->OpenHandles(), 0u);
}

TEST_F(DeviceTest, ReleasingDropsTheEntryWhenTheDeviceIsGoneOrCannotBeRemade) {
  auto gone = Plug();
  auto stuck = Plug();
  Start();
  TJvHidDevice* a = nullptr;
  TJvHidDevice* b = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(a, 0));
  ASSERT_TRUE(Controller->CheckOutByIndex(b, 1));
  gone->Unplug();
  Window.Pump();
  ASSERT_EQ(Count(), (Counters{0, 1, 1}));

  a->Free();
  EXPECT_EQ(ListedIds(), std::vector<std::uint32_t>{stuck->DeviceID()});
  EXPECT_EQ(Count(), (Counters{0, 1, 0}));

  stuck->SetFaults({.Open = VirtualOpen::Refused});
  b->Free();
  EXPECT_EQ(Controller->DeviceCount(), 0);
  EXPECT_EQ(Count(), (Counters{0, 0, 0}));
  // The next pass finds it again once it opens.
  stuck->SetFaults({});
  Bus->AnnounceDeviceChange();
  Window.Pump();
  EXPECT_EQ(ListedIds(), std::vector<std::uint32_t>{stuck->DeviceID()});
}

TEST_F(DeviceTest, ParsingMembersFailCleanlyWithoutAnOpenableDevice) {
  Plug();
  Start();
  TJvHidDevice* dev = Controller->DeviceAt(0);
  std::uint16_t count = 0;
  THIDPButtonCaps caps[2];
  EXPECT_EQ(dev->GetButtonCaps(caps, count), platform::kHidpStatusNull);
  std::uint8_t report[8] = {};
  EXPECT_EQ(dev->InitializeReportForID(1, report, 8), platform::kHidpStatusInvalidPreparsedData);
  ASSERT_TRUE(dev->CheckOut());
  EXPECT_EQ(dev->GetButtonCaps(caps, count), platform::kHidpStatusNotImplemented)
      << "the virtual bus parses no report descriptors";
  EXPECT_EQ(dev->GetLinkCollectionNode(5), THIDPLinkCollectionNode{});
  EXPECT_FALSE(dev->GetFeature(report, 8));
  EXPECT_EQ(platform::LastError(), platform::kErrorNotSupported);
}

}  // namespace
}  // namespace ombrel::test
