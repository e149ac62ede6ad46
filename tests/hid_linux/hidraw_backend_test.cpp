// The Linux backend under the HID link, against a umockdev test bed: the
// sysfs tree is mocked, the hidraw node is a pty whose other end the test
// plays as the device, and plugging is announced by synthetic uevents.
#include <gtest/gtest.h>
#include <umockdev.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hid/hid_controller.h"
#include "hid/hid_device.h"
#include "hid/platform/linux/hidraw_platform.h"
#include "hid/pumped_window_thread.h"
#include "tests/hid_linux/mock_hidraw.h"

namespace ombrel::test {
namespace {

namespace plat = ombrel::platform;
using plat::linux_hid::HidrawPlatform;

class HidrawBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // umockdev_in_mock_environment() only says whether a test bed exists;
    // whether its preload redirects /sys and /dev shows in LD_PRELOAD.
    if (!UmockdevPreloadActive()) GTEST_SKIP() << kNoUmockdevPreload;
    Bed = std::make_unique<MockBed>();
  }
  // The controller goes before the bed its monitor listens to.
  void TearDown() override { Controller.reset(); }

  void Start() {
    Controller = std::make_unique<TJvHidDeviceController>(Platform, Window);
    Controller->SetDevThreadSleepTime(10);
    Window.Pump();
  }

  TJvHidDevice* Listed(const MockHidInterface& m) const {
    for (int i = 0; i < Controller->DeviceCount(); ++i)
      if (Controller->DeviceAt(i)->PnPInfo().DevicePath() == m.Node())
        return Controller->DeviceAt(i);
    return nullptr;
  }

  TJvHidDevice* CheckOutUnit() {
    TJvHidDevice* unit = nullptr;
    EXPECT_TRUE(Controller->CheckOutByID(unit, 0x0483, 0x5750));
    return unit;
  }

  bool PumpUntil(const std::function<bool()>& done) { return Window.PumpUntil(done); }

  std::unique_ptr<MockBed> Bed;
  std::shared_ptr<HidrawPlatform> Platform = std::make_shared<HidrawPlatform>();
  PumpedWindowThread Window;
  std::unique_ptr<TJvHidDeviceController> Controller;
};

// A 65-byte report with the bytes a terminal would otherwise eat or
// translate, so the node is shown to pass reports untouched.
Bytes OutputReport() {
  Bytes r(65);
  const Bytes head = {0x01, 0x10, 0x01, 0x05, 0x0A, 0x0D, 0x03, 0x04, 0x11, 0x13,
                      0x1A, 0x7F, 0xFF, 0x00, 0x1B, 0x08, 0x15, 0x17, 0x12, 0x0F};
  for (std::size_t i = 0; i < r.size(); ++i)
    r[i] = i < head.size() ? head[i] : static_cast<std::uint8_t>(i * 37 + 11);
  return r;
}

Bytes InputReport(std::uint8_t parameter, std::uint8_t value) {
  Bytes r(65, 0);
  r[0] = 0x01;
  r[1] = parameter;
  r[2] = 0x01;
  r[3] = value;
  r[64] = 0xA5;  // the last byte too
  return r;
}

struct Identity {
  std::uint16_t Vendor, Product, Version;
  std::string ProductName, VendorName, SerialNumber;
  std::uint16_t In, Out, Feature, UsagePage, Usage;
  std::string DeviceDescr, LocationInfo;
  friend bool operator==(const Identity&, const Identity&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Identity& i) {
    return o << std::hex << i.Vendor << ":" << i.Product << " v" << i.Version << std::dec
             << " '" << i.ProductName << "' '" << i.VendorName << "' '" << i.SerialNumber
             << "' in " << i.In << " out " << i.Out << " feature " << i.Feature << " page "
             << std::hex << i.UsagePage << " usage " << i.Usage << std::dec << " '"
             << i.DeviceDescr << "' '" << i.LocationInfo << "'";
  }
};

TEST_F(HidrawBackendTest, ListsEveryInterfaceWithItsAttributesStringsAndCapabilities) {
  const auto unit = MockUnit(), keyboard = MockKeyboard(), mouse = MockBluetoothMouse();
  ASSERT_TRUE(Bed->Add(unit));
  ASSERT_TRUE(Bed->Add(keyboard));
  ASSERT_TRUE(Bed->Add(mouse));
  Start();
  ASSERT_EQ(Controller->DeviceCount(), 3);

  std::map<std::string, Identity> seen;
  std::set<std::uint32_t> ids;
  Controller->SetOnEnumerate([&](TJvHidDevice* d, int) {
    const auto caps = d->Caps();
    seen[d->PnPInfo().DevicePath()] = {
        d->Attributes().VendorID, d->Attributes().ProductID, d->Attributes().VersionNumber,
        d->ProductName(), d->VendorName(), d->SerialNumber(), caps.InputReportByteLength,
        caps.OutputReportByteLength, caps.FeatureReportByteLength, caps.UsagePage, caps.Usage,
        d->PnPInfo().DeviceDescr(), d->PnPInfo().LocationInfo()};
    ids.insert(d->PnPInfo().DeviceID());
    return true;
  });
  EXPECT_EQ(Controller->Enumerate(), 3);

  const std::map<std::string, Identity> expected = {
      {unit.Node(),
       {0x0483, 0x5750, 0x0200, "Pendra", "Kolvmark Tovra", "PD2300017", 65, 65, 0, 0xFF00, 0x01,
        "Kolvmark Tovra Pendra", "usb-0000:00:14.0-1/input0"}},
      // No serial on USB and an empty HID_UNIQ: no serial number at all.
      {keyboard.Node(),
       {0x046D, 0xC31C, 0x6400, "USB Keyboard", "Logitech", "", 9, 2, 0, 0x01, 0x06,
        "Logitech USB Keyboard", "usb-0000:00:14.0-2/input0"}},
      // No USB parent: the name and serial of the hid device, no vendor
      // name, no version.
      {mouse.Node(),
       {0x1234, 0xABCD, 0, "BT Mouse", "", "aa:bb:cc:dd:ee:ff", 5, 0, 0, 0x01, 0x02, "BT Mouse",
        "00:11:22:33:44:55"}},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(ids.size(), 3u) << "every interface has an identity of its own";
  EXPECT_EQ(ids.count(0), 0u);
}

TEST_F(HidrawBackendTest, AWrittenReportReachesTheDeviceByteForByte) {
  const auto unit = MockUnit();
  ASSERT_TRUE(Bed->Add(unit));
  Start();
  TJvHidDevice* device = CheckOutUnit();
  ASSERT_NE(device, nullptr);
  ASSERT_TRUE(device->HasReadWriteAccess());

  const Bytes report = OutputReport();
  std::uint32_t written = 0;
  ASSERT_TRUE(device->WriteFile(report.data(), static_cast<std::uint32_t>(report.size()), written));
  EXPECT_EQ(written, 65u);
  EXPECT_EQ(ReadFromDeviceEnd(Bed->DeviceEnd(unit), report.size()), report);
  Controller->CheckIn(device);
}

TEST_F(HidrawBackendTest, InputReportsReachTheWindowThreadThroughTheReader) {
  const auto unit = MockUnit();
  ASSERT_TRUE(Bed->Add(unit));
  Start();
  const auto windowThread = std::this_thread::get_id();
  struct Got {
    std::uint8_t Id;
    Bytes Data;
    bool OnWindowThread;
  };
  std::vector<Got> got;
  Controller->SetOnDeviceData([&](TJvHidDevice*, std::uint8_t id, const std::uint8_t* data,
                                  std::uint16_t size) {
    got.push_back({id, Bytes(data, data + size), std::this_thread::get_id() == windowThread});
  });
  TJvHidDevice* device = CheckOutUnit();
  ASSERT_NE(device, nullptr);

  const std::vector<Bytes> sent = {InputReport(5, 1), InputReport(12, 0), InputReport(6, 1)};
  for (const Bytes& r : sent) ASSERT_TRUE(WriteToDeviceEnd(Bed->DeviceEnd(unit), r));
  ASSERT_TRUE(PumpUntil([&] { return got.size() >= sent.size(); }));

  ASSERT_EQ(got.size(), sent.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(got[i].Id, 0x01);
    EXPECT_EQ(got[i].Data, Bytes(sent[i].begin() + 1, sent[i].end())) << "report " << i;
    EXPECT_TRUE(got[i].OnWindowThread);
  }
  Controller->CheckIn(device);
}

// A keyboard declares no report IDs: hidraw gives its 8-byte reports
// without an ID byte, and the link delivers report ID 0 and all 8 bytes.
TEST_F(HidrawBackendTest, ADeviceWithoutReportIdsDeliversReportIdZeroAndTheWholeReport) {
  const auto keyboard = MockKeyboard(0);
  ASSERT_TRUE(Bed->Add(keyboard));
  Start();
  struct Got {
    std::uint8_t Id;
    Bytes Data;
  };
  std::vector<Got> got;
  Controller->SetOnDeviceData([&](TJvHidDevice*, std::uint8_t id, const std::uint8_t* data,
                                  std::uint16_t size) { got.push_back({id, Bytes(data, data + size)}); });
  TJvHidDevice* device = nullptr;
  ASSERT_TRUE(Controller->CheckOutByID(device, 0x046D, 0xC31C));
  EXPECT_EQ(device->Caps().InputReportByteLength, 9) << "the ID byte is counted in";

  // Shift held, 'a' and 'b' down; the first byte is data, not an ID.
  const std::vector<Bytes> sent = {{0x02, 0x00, 0x04, 0x05, 0x00, 0x00, 0x00, 0x00},
                                   {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
  for (const Bytes& r : sent) ASSERT_TRUE(WriteToDeviceEnd(Bed->DeviceEnd(keyboard), r));
  ASSERT_TRUE(PumpUntil([&] { return got.size() >= sent.size(); }));
  ASSERT_EQ(got.size(), sent.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(got[i].Id, 0) << "report " << i;
    EXPECT_EQ(got[i].Data, sent[i]) << "report " << i;
  }
  Controller->CheckIn(device);
}

TEST_F(HidrawBackendTest, ADeviceWithoutReportIdsReadsAndWritesWithReportIdZeroFirst) {
  const auto keyboard = MockKeyboard(0);
  ASSERT_TRUE(Bed->Add(keyboard));
  Start();
  TJvHidDevice* device = nullptr;
  ASSERT_TRUE(Controller->CheckOutByID(device, 0x046D, 0xC31C));

  // The synchronous read: ID 0 first, then the 8 bytes as the node gave them.
  const Bytes keys = {0x01, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x00};
  ASSERT_TRUE(WriteToDeviceEnd(Bed->DeviceEnd(keyboard), keys));
  Bytes report(9, 0xEE);
  std::uint32_t read = 0;
  ASSERT_TRUE(device->ReadFile(report.data(), static_cast<std::uint32_t>(report.size()), read));
  EXPECT_EQ(read, 9u);
  Bytes expected = {0x00};
  expected.insert(expected.end(), keys.begin(), keys.end());
  EXPECT_EQ(report, expected);

  // A write goes to hidraw as the kernel takes it for such a device: report
  // number 0 first, which the driver drops before the device sees it.
  const Bytes leds = {0x00, 0x02};  // Caps Lock on
  std::uint32_t written = 0;
  ASSERT_TRUE(device->WriteFile(leds.data(), static_cast<std::uint32_t>(leds.size()), written));
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(ReadFromDeviceEnd(Bed->DeviceEnd(keyboard), leds.size()), leds);
  Controller->CheckIn(device);
}

TEST_F(HidrawBackendTest, CheckInEndsAPendingReadWithinOneThreadSleepTime) {
  const auto unit = MockUnit();
  ASSERT_TRUE(Bed->Add(unit));
  Start();
  // The longest wait the reader may take: a stop must not sit it out.
  Controller->SetDevThreadSleepTime(10000);
  int delivered = 0;
  Controller->SetOnDeviceData(
      [&](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) { ++delivered; });
  TJvHidDevice* device = CheckOutUnit();
  ASSERT_NE(device, nullptr);
  // One report through, so the reader has certainly started the next read.
  ASSERT_TRUE(WriteToDeviceEnd(Bed->DeviceEnd(unit), InputReport(5, 0)));
  ASSERT_TRUE(PumpUntil([&] { return delivered == 1; }));

  const auto before = std::chrono::steady_clock::now();
  Controller->CheckIn(device);
  const auto took = std::chrono::steady_clock::now() - before;
  EXPECT_LT(took, std::chrono::milliseconds(10000));
  EXPECT_EQ(device, nullptr);
}

TEST_F(HidrawBackendTest, CancelIOOfThePendingReadLetsTheReaderReadOn) {
  const auto unit = MockUnit();
  ASSERT_TRUE(Bed->Add(unit));
  Start();
  std::vector<Bytes> got;
  std::vector<std::uint32_t> errors;
  Controller->SetOnDeviceData([&](TJvHidDevice*, std::uint8_t id, const std::uint8_t* data,
                                  std::uint16_t size) {
    Bytes r{id};
    r.insert(r.end(), data, data + size);
    got.push_back(r);
  });
  Controller->SetOnDeviceDataError([&](TJvHidDevice*, std::uint32_t e) { errors.push_back(e); });
  TJvHidDevice* device = CheckOutUnit();
  ASSERT_NE(device, nullptr);
  // One report through, so the reader has certainly started the next read.
  ASSERT_TRUE(WriteToDeviceEnd(Bed->DeviceEnd(unit), InputReport(5, 0)));
  ASSERT_TRUE(PumpUntil([&] { return got.size() == 1; }));

  ASSERT_TRUE(device->CancelIO(omhRead));
  const Bytes after = InputReport(12, 1);
  ASSERT_TRUE(WriteToDeviceEnd(Bed->DeviceEnd(unit), after));
  ASSERT_TRUE(PumpUntil([&] { return got.size() == 2; })) << "the reader stopped reading";
  EXPECT_EQ(got[1], after);
  EXPECT_TRUE(errors.empty());
  Controller->CheckIn(device);
}

TEST_F(HidrawBackendTest, ArrivalAndRemovalWhileTheControllerRuns) {
  Start();
  ASSERT_EQ(Controller->DeviceCount(), 0);
  struct Event {
    char Kind;
    std::uint32_t Id;
    std::string Product;
  };
  std::vector<Event> events;
  Controller->SetOnArrival(
      [&](TJvHidDevice* d) { events.push_back({'+', d->PnPInfo().DeviceID(), d->ProductName()}); });
  Controller->SetOnRemoval(
      [&](TJvHidDevice* d) { events.push_back({'-', d->PnPInfo().DeviceID(), ""}); });

  const auto first = MockUnit(0, "0001");
  ASSERT_TRUE(Bed->Add(first));
  ASSERT_TRUE(PumpUntil([&] { return events.size() >= 1; }));
  Bed->Remove(first);
  ASSERT_TRUE(PumpUntil([&] { return events.size() >= 2; }));
  EXPECT_EQ(Controller->DeviceCount(), 0);
  // Plugged in again, into another port (umockdev keeps the old links):
  // the kernel gives it a new instance number.
  const auto again = MockUnit(1, "0002", "1-3");
  ASSERT_TRUE(Bed->Add(again));
  ASSERT_TRUE(PumpUntil([&] { return events.size() >= 3; }));

  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].Kind, '+');
  EXPECT_EQ(events[0].Product, "Pendra");
  EXPECT_EQ(events[1].Kind, '-');
  EXPECT_EQ(events[1].Id, events[0].Id);
  EXPECT_EQ(events[2].Kind, '+');
  EXPECT_NE(events[2].Id, events[0].Id) << "a re-plugged interface is a new one";
  EXPECT_EQ(Controller->DeviceCount(), 1);
}

TEST_F(HidrawBackendTest, AUnitWhoseNodeCannotBeOpenedIsListedButNothingReachesIt) {
  const auto unit = MockUnit();
  ASSERT_TRUE(Bed->Add(unit));
  // The node stays announced but opening it fails, as for a user the udev
  // rule has not reached (a dangling node fails the same way for root).
  const std::filesystem::path node = Bed->Root() + unit.Node();
  std::filesystem::remove(node);
  std::filesystem::create_symlink(Bed->Root() + "/dev/gone", node);
  Start();

  TJvHidDevice* listed = Listed(unit);
  ASSERT_NE(listed, nullptr);
  EXPECT_FALSE(listed->HasReadWriteAccess());
  // What a person is told, in the system's words.
  EXPECT_EQ(listed->ReadWriteOpenError().Message(),
            "open " + unit.Node() + " for reading and writing: No such file or directory");
  EXPECT_EQ(listed->ReadWriteOpenError().Code, plat::kErrorFileNotFound);
  std::string product;
  Controller->SetOnEnumerate([&](TJvHidDevice* d, int) {
    product = d->ProductName();
    return true;
  });
  Controller->Enumerate();
  EXPECT_EQ(product, "Pendra");

  TJvHidDevice* device = CheckOutUnit();
  ASSERT_EQ(device, listed);
  const Bytes report = OutputReport();
  std::uint32_t written = 0;
  EXPECT_FALSE(device->WriteFile(report.data(), static_cast<std::uint32_t>(report.size()), written));
  EXPECT_EQ(plat::LastError(), plat::kErrorAccessDenied);
  Controller->CheckIn(device);
}

// The unit is pulled out and another device takes its node name before any
// pass has run: the unit's stale object must not open the newcomer.
TEST_F(HidrawBackendTest, AStaleDeviceObjectNeverOpensTheDeviceThatReusedItsNode) {
  const auto unit = MockUnit(0);
  ASSERT_TRUE(Bed->Add(unit));
  Start();
  TJvHidDevice* device = CheckOutUnit();
  ASSERT_NE(device, nullptr);

  Bed->Remove(unit);
  // The keyboard gets hidraw0. umockdev can't make a node name twice, so
  // its pty comes as hidraw9 and /dev/hidraw0 is pointed at it.
  auto keyboard = MockKeyboard(9);
  std::string record = Record(keyboard);
  auto rename = [&](const std::string& from, const std::string& to) {
    for (auto at = record.find(from); at != std::string::npos; at = record.find(from, at))
      record.replace(at, from.size(), to);
  };
  rename("hidraw/hidraw9", "hidraw/hidraw0");
  rename("DEVNAME=/dev/hidraw9", "DEVNAME=/dev/hidraw0");
  ASSERT_TRUE(Bed->AddRecord(record));
  const std::string pty = std::filesystem::read_symlink(Bed->Root() + "/dev/hidraw9");
  std::filesystem::create_symlink(pty, Bed->Root() + unit.Node());

  const Bytes report = OutputReport();
  std::uint32_t written = 0;
  EXPECT_FALSE(device->WriteFile(report.data(), static_cast<std::uint32_t>(report.size()), written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(plat::LastError(), plat::kErrorFileNotFound);
  // A write would have been in the keyboard's end by now.
  pollfd p{Bed->DeviceEnd(keyboard), POLLIN, 0};
  ASSERT_GE(::poll(&p, 1, 0), 0);
  EXPECT_FALSE(p.revents & POLLIN) << "the unit's report reached the keyboard";

  // Once a pass has run, the newcomer is listed and opens as itself.
  ASSERT_TRUE(PumpUntil([&] { return !device->IsPluggedIn() && Controller->DeviceCount() == 2; }));
  Controller->CheckIn(device);
}

// ---------------------------------------------------------------------------
// The handle itself, below the link.

class HidrawHandleTest : public HidrawBackendTest {
 protected:
  void SetUp() override {
    HidrawBackendTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(Bed->Add(Unit));
    ASSERT_TRUE(Platform->BindSetupLibrary());
    ASSERT_TRUE(Platform->BindHidLibrary());
  }
  void TearDown() override {
    if (IsSkipped()) return;
    Platform->UnbindHidLibrary();
    Platform->UnbindSetupLibrary();
  }
  const MockHidInterface Unit = MockUnit();
};

TEST_F(HidrawHandleTest, ClosingUnderAWaitingThreadEndsTheReadWithoutData) {
  auto handle = Platform->Open(Unit.Node(), plat::HidAccess::Read, true);
  ASSERT_NE(handle, nullptr);
  Bytes buffer(65, 0);
  plat::HidError error = plat::kErrorSuccess;
  ASSERT_TRUE(handle->StartRead(buffer, [&](plat::HidError e, std::uint32_t) { error = e; }));
  plat::WaitOutcome outcome = plat::WaitOutcome::TimedOut;
  std::thread waiter([&, h = handle] { outcome = h->WaitForCompletion(10000, {}); });
  handle->Close();
  waiter.join();
  EXPECT_EQ(outcome, plat::WaitOutcome::IoCompletion);
  EXPECT_EQ(error, plat::kErrorOperationAborted);
  std::uint32_t bytes = 99;
  EXPECT_FALSE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(bytes, 0u);
}

TEST_F(HidrawHandleTest, ACancelledReadLeavesItsBufferAlone) {
  auto handle = Platform->Open(Unit.Node(), plat::HidAccess::Read, true);
  ASSERT_NE(handle, nullptr);
  Bytes cancelled(65, 0), next(65, 0);
  int cancelledCompletions = 0;
  ASSERT_TRUE(handle->StartRead(cancelled, [&](plat::HidError e, std::uint32_t n) {
    EXPECT_EQ(e, plat::kErrorOperationAborted);
    EXPECT_EQ(n, 0u);
    ++cancelledCompletions;
  }));
  ASSERT_TRUE(handle->CancelIo());
  std::uint32_t bytes = 0;
  EXPECT_FALSE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(plat::LastError(), plat::kErrorOperationAborted);
  // The cancelled read completes at the next wait.
  EXPECT_EQ(handle->WaitForCompletion(20000, {}), plat::WaitOutcome::IoCompletion);
  EXPECT_EQ(cancelledCompletions, 1);

  ASSERT_TRUE(handle->StartRead(next, nullptr));
  const Bytes report = InputReport(7, 3);
  ASSERT_TRUE(WriteToDeviceEnd(Bed->DeviceEnd(Unit), report));
  EXPECT_EQ(handle->WaitForCompletion(20000, {}), plat::WaitOutcome::IoCompletion);
  ASSERT_TRUE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(bytes, 65u);
  EXPECT_EQ(next, report);
  EXPECT_EQ(cancelled, Bytes(65, 0));
}

TEST_F(HidrawHandleTest, CancellingAReadCompletesItForTheThreadWaitingOnIt) {
  auto handle = Platform->Open(Unit.Node(), plat::HidAccess::Read, true);
  ASSERT_NE(handle, nullptr);
  Bytes buffer(65, 0);
  std::atomic<int> completions{0};
  std::atomic<plat::HidError> error{plat::kErrorSuccess};
  std::atomic<bool> waiting{false};
  ASSERT_TRUE(handle->StartRead(buffer, [&](plat::HidError e, std::uint32_t) {
    error = e;
    ++completions;
  }));
  plat::WaitOutcome outcome = plat::WaitOutcome::TimedOut;
  std::thread waiter([&] {
    waiting = true;
    outcome = handle->WaitForCompletion(20000, {});
  });
  while (!waiting) std::this_thread::yield();
  ASSERT_TRUE(handle->CancelIo());
  waiter.join();
  EXPECT_EQ(outcome, plat::WaitOutcome::IoCompletion);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(error, plat::kErrorOperationAborted);
  // Completed once: a later wait has nothing of it to run.
  EXPECT_EQ(handle->WaitForCompletion(10, {}), plat::WaitOutcome::TimedOut);
  EXPECT_EQ(completions, 1);
}

TEST_F(HidrawHandleTest, AStopRequestEndsAWaitWithoutCompletingTheRead) {
  auto handle = Platform->Open(Unit.Node(), plat::HidAccess::Read, true);
  ASSERT_NE(handle, nullptr);
  Bytes buffer(65, 0);
  ASSERT_TRUE(handle->StartRead(buffer, nullptr));
  std::stop_source stop;
  plat::WaitOutcome outcome = plat::WaitOutcome::IoCompletion;
  std::thread waiter([&] { outcome = handle->WaitForCompletion(10000, stop.get_token()); });
  stop.request_stop();
  waiter.join();
  EXPECT_EQ(outcome, plat::WaitOutcome::Stopped);
  std::uint32_t bytes = 0;
  EXPECT_FALSE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(plat::LastError(), plat::kErrorIoIncomplete);
  EXPECT_TRUE(handle->CancelIo());
}

TEST_F(HidrawHandleTest, AHandleWithoutAccessRightsIdentifiesButMovesNoReport) {
  auto handle = Platform->Open(Unit.Node(), plat::HidAccess::None, false);
  ASSERT_NE(handle, nullptr);
  plat::HidAttributes attributes;
  ASSERT_TRUE(handle->GetAttributes(attributes));
  EXPECT_EQ(attributes.VendorID, 0x0483);
  std::uint32_t moved = 0;
  const Bytes report = OutputReport();
  EXPECT_FALSE(handle->Write(report, moved));
  EXPECT_EQ(plat::LastError(), plat::kErrorAccessDenied);
  Bytes buffer(65);
  EXPECT_FALSE(handle->Read(buffer, moved));
  EXPECT_EQ(plat::LastError(), plat::kErrorAccessDenied);
}

TEST_F(HidrawHandleTest, AnInterfaceThatIsGoneCannotBeOpened) {
  Bed->Remove(Unit);
  EXPECT_EQ(Platform->Open(Unit.Node(), plat::HidAccess::ReadWrite, false), nullptr);
  EXPECT_EQ(plat::LastError(), plat::kErrorFileNotFound);
  const plat::OpenError& why = plat::LastOpenError();
  EXPECT_EQ(why.Operation, "look up");
  EXPECT_EQ(why.Path, Unit.Node());
  EXPECT_EQ(why.Access, plat::HidAccess::ReadWrite);
  EXPECT_EQ(why.Code, plat::kErrorFileNotFound);
  EXPECT_NE(why.Reason.find("unplugged"), std::string::npos) << why.Reason;
}

TEST_F(HidrawHandleTest, OpeningChecksTheNodeStillBelongsToTheListedInterface) {
  const auto listed = Platform->ListInterfaces(plat::kHidInterfaceClassGuid);
  ASSERT_TRUE(listed && listed->size() == 1);
  const std::uint32_t id = (*listed)[0].DeviceID;
  EXPECT_NE(Platform->OpenInterface(Unit.Node(), id, plat::HidAccess::ReadWrite, false), nullptr);
  EXPECT_TRUE(Platform->InterfacePresent(plat::kHidInterfaceClassGuid, id, Unit.Node()));
  // Another identity on the same node: what a stale object of an unplugged
  // interface holds.
  EXPECT_EQ(Platform->OpenInterface(Unit.Node(), id + 1, plat::HidAccess::ReadWrite, false),
            nullptr);
  EXPECT_EQ(plat::LastError(), plat::kErrorFileNotFound);
  EXPECT_NE(plat::LastOpenError().Reason.find("another device"), std::string::npos);
  EXPECT_FALSE(Platform->InterfacePresent(plat::kHidInterfaceClassGuid, id + 1, Unit.Node()));
}

}  // namespace
}  // namespace ombrel::test
