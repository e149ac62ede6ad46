#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "hid/platform/unbound_platform.h"
#include "hid/platform/virtual_bus.h"
#include "wait_until.h"

namespace ombrel::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(VirtualBusTest, BindingsAreCountedAndFailWhileTheLibraryIsMissing) {
  VirtualHidBus bus;
  EXPECT_TRUE(bus.BindSetupLibrary());
  EXPECT_TRUE(bus.BindHidLibrary());
  EXPECT_TRUE(bus.BindHidLibrary());
  bus.UnbindHidLibrary();
  EXPECT_TRUE(bus.HidLibraryBound()) << "one binding is still held";
  bus.UnbindHidLibrary();
  EXPECT_FALSE(bus.HidLibraryBound());
  bus.UnbindHidLibrary();  // unbinding at zero does nothing
  EXPECT_EQ(bus.HidBindCount(), 0);

  bus.SetLibrariesAvailable(true, false);
  EXPECT_FALSE(bus.BindHidLibrary());
  EXPECT_EQ(bus.HidBindCount(), 0);
  bus.UnbindSetupLibrary();
  EXPECT_FALSE(bus.ListInterfaces(kHidInterfaceClassGuid)) << "no listing without setup library";

  UnboundHidPlatform unbound;
  EXPECT_FALSE(unbound.BindSetupLibrary());
  EXPECT_FALSE(unbound.ListInterfaces(kHidInterfaceClassGuid));
  EXPECT_EQ(unbound.WatchDeviceChanges([] {}), nullptr);
}

TEST(VirtualBusTest, ListsPluggedInterfacesInPlugOrderWithFreshIdentities) {
  VirtualHidBus bus;
  ASSERT_TRUE(bus.BindSetupLibrary());
  VirtualHidDeviceSetup setup;
  setup.Properties.FriendlyName = "Unit one";
  auto a = bus.Plug(setup);
  auto b = bus.Plug({});
  auto listed = *bus.ListInterfaces(kHidInterfaceClassGuid);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].DeviceID, a->DeviceID());
  EXPECT_EQ(listed[1].DeviceID, b->DeviceID());
  EXPECT_NE(a->DeviceID(), b->DeviceID());
  EXPECT_NE(a->DevicePath(), b->DevicePath());
  EXPECT_EQ(listed[0].Properties.FriendlyName, "Unit one");
  EXPECT_EQ(listed[0].Properties.ClassDescr, "HIDClass");
  EXPECT_TRUE(bus.ListInterfaces(Guid{})->empty()) << "other classes list nothing";

  bus.Unplug(a);
  auto again = bus.Plug({});
  EXPECT_NE(again->DeviceID(), a->DeviceID()) << "a re-plug is a new interface";
  listed = *bus.ListInterfaces(kHidInterfaceClassGuid);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].DeviceID, b->DeviceID());

  setup.DeviceID = b->DeviceID();
  EXPECT_THROW(bus.Plug(setup), std::invalid_argument);
}

TEST(VirtualBusTest, OpenFaultsDecideWhichAccessSucceeds) {
  struct Case {
    VirtualOpen open;
    bool readWrite, noAccess;
  };
  for (Case c : {Case{VirtualOpen::Normal, true, true}, Case{VirtualOpen::Refused, false, false},
                 Case{VirtualOpen::WithoutAccessOnly, false, true}}) {
    VirtualHidBus bus;
    VirtualHidDeviceSetup setup;
    setup.Faults.Open = c.open;
    auto device = bus.Plug(setup);
    EXPECT_EQ(bus.Open(device->DevicePath(), HidAccess::ReadWrite, false) != nullptr, c.readWrite);
    EXPECT_EQ(bus.Open(device->DevicePath(), HidAccess::None, false) != nullptr, c.noAccess);
  }
  VirtualHidBus bus;
  EXPECT_EQ(bus.Open("no such path", HidAccess::None, false), nullptr);
  EXPECT_EQ(LastError(), kErrorFileNotFound);
}

TEST(VirtualBusTest, RecordsWrittenReportsAndHonoursAccessAndFaults) {
  VirtualHidBus bus;
  auto device = bus.Plug({});
  std::vector<Bytes> seen;
  device->SetOutputReportHandler(
      [&](VirtualHidDevice&, std::span<const std::uint8_t> r) { seen.emplace_back(r.begin(), r.end()); });
  auto handle = bus.Open(device->DevicePath(), HidAccess::ReadWrite, false);
  std::uint32_t written = 0;
  const Bytes report{1, 0x10, 1, 5, 0, 0};
  ASSERT_TRUE(handle->Write(report, written));
  EXPECT_EQ(written, report.size());
  EXPECT_EQ(device->OutputReports(), std::vector<Bytes>{report});
  EXPECT_EQ(seen, std::vector<Bytes>{report});

  auto readOnly = bus.Open(device->DevicePath(), HidAccess::None, false);
  EXPECT_FALSE(readOnly->Write(report, written));
  EXPECT_EQ(LastError(), kErrorAccessDenied);

  device->SetFaults({.WriteFails = true, .WriteError = 0x79});
  EXPECT_FALSE(handle->Write(report, written));
  EXPECT_EQ(LastError(), 0x79u);
  EXPECT_EQ(device->OutputReportCount(), 1u);

  device->Unplug();
  device->SetFaults({});
  EXPECT_FALSE(handle->Write(report, written));
  EXPECT_EQ(LastError(), kErrorDeviceNotConnected);
}

TEST(VirtualBusTest, OverlappedReadCompletesWithQueuedReportsOnly) {
  VirtualHidBus bus;
  VirtualHidDeviceSetup setup;
  setup.Caps = MakeVirtualCaps(4, 4);
  auto device = bus.Plug(setup);
  auto handle = bus.Open(device->DevicePath(), HidAccess::Read, true);
  Bytes buffer(4);
  int completions = 0;
  ASSERT_TRUE(handle->StartRead(buffer, [&](HidError, std::uint32_t) { ++completions; }));
  EXPECT_TRUE(device->ReadPending());
  EXPECT_EQ(handle->WaitForCompletion(1, {}), WaitOutcome::TimedOut);
  std::uint32_t bytes = 0;
  EXPECT_FALSE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(LastError(), kErrorIoIncomplete);

  device->PushInputReport({1, 2, 3, 4});
  EXPECT_EQ(handle->WaitForCompletion(10000, {}), WaitOutcome::IoCompletion);
  EXPECT_EQ(completions, 1);
  ASSERT_TRUE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(bytes, 4u);
  EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4}));
  EXPECT_FALSE(device->ReadPending());

  Bytes small(2);
  EXPECT_FALSE(handle->StartRead(small, nullptr)) << "shorter than an input report";
  EXPECT_EQ(LastError(), kErrorInvalidUserBuffer);
  device->SetFaults({.ReadCannotStart = true, .ReadError = 0x1F});
  EXPECT_FALSE(handle->StartRead(buffer, nullptr));
  EXPECT_EQ(LastError(), 0x1Fu);
}

TEST(VirtualBusTest, AWaitEndsOnCloseUnplugCancelOrStopFromAnotherThread) {
  enum class End { Close, Unplug, Stop, Cancel };
  for (End end : {End::Close, End::Unplug, End::Stop, End::Cancel}) {
    VirtualHidBus bus;
    auto device = bus.Plug({});
    auto handle = bus.Open(device->DevicePath(), HidAccess::Read, true);
    Bytes buffer(65);
    ASSERT_TRUE(handle->StartRead(buffer, nullptr));
    std::stop_source stop;
    std::atomic<bool> waiting = false;
    WaitOutcome outcome{};
    std::jthread waiter([&] {
      waiting = true;
      // Far longer than any test runs: only the event may end it.
      outcome = handle->WaitForCompletion(600000, stop.get_token());
    });
    ASSERT_TRUE(test::WaitUntil([&] { return waiting.load(); }));
    switch (end) {
      case End::Close: handle->Close(); break;
      case End::Unplug: device->Unplug(); break;
      case End::Stop: stop.request_stop(); break;
      case End::Cancel: handle->CancelIo(); break;
    }
    // A cancelled read completes, without data, and so ends the wait.
    if (end == End::Cancel) {
      EXPECT_FALSE(device->ReadPending());
    }
    waiter.join();
    std::uint32_t bytes = 99;
    handle->GetOverlappedResult(true, bytes);
    EXPECT_EQ(bytes, 0u) << "no data after the wait ended";
    if (end != End::Stop)
      EXPECT_EQ(outcome, WaitOutcome::IoCompletion);
    else
      EXPECT_EQ(outcome, WaitOutcome::Stopped);
  }
}

TEST(VirtualBusTest, AnnouncesPlugAndUnplugUntilTheSubscriptionEnds) {
  VirtualHidBus bus;
  std::atomic<int> changes = 0;
  auto subscription = bus.WatchDeviceChanges([&] { ++changes; });
  auto device = bus.Plug({});
  device->Unplug();
  device->Unplug();  // already gone: nothing to announce
  bus.AnnounceDeviceChange();
  EXPECT_EQ(changes, 3);
  subscription.reset();
  bus.Plug({});
  EXPECT_EQ(changes, 3);
}

TEST(VirtualBusTest, InputQueueKeepsTheNewestReportsUpToItsLength) {
  VirtualHidBus bus;
  VirtualHidDeviceSetup setup;
  setup.Caps = MakeVirtualCaps(2, 2);
  auto device = bus.Plug(setup);
  auto handle = bus.Open(device->DevicePath(), HidAccess::ReadWrite, false);
  ASSERT_TRUE(handle->SetNumInputBuffers(2));
  EXPECT_FALSE(handle->SetNumInputBuffers(1));
  for (std::uint8_t i = 0; i < 5; ++i) device->PushInputReport({1, i});
  EXPECT_EQ(device->QueuedInputReports(), 2u);
  Bytes buffer(2);
  std::uint32_t read = 0;
  ASSERT_TRUE(handle->Read(buffer, read));
  EXPECT_EQ(buffer, (Bytes{1, 3})) << "the oldest were dropped";
}

}  // namespace
}  // namespace ombrel::platform
