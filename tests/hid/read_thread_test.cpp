#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "hid/hid_read_thread.h"
#include "hid_fixture.h"
#include "wait_until.h"

namespace ombrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Recorder {
  WindowThread* Window = nullptr;
  std::vector<Delivered> Reports;
  std::vector<std::uint32_t> Errors;
  std::function<void(TJvHidDevice*)> AlsoOnData;

  void OnData(TJvHidDevice* dev, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
    Reports.push_back({dev, id, Bytes(data, data + size), Window->IsWindowThread()});
    if (AlsoOnData) AlsoOnData(dev);
  }
  void OnError(TJvHidDevice*, std::uint32_t error) { Errors.push_back(error); }
};

class ReadThreadTest : public HidLinkTest {
 protected:
  Recorder Rec;
  TJvHidDevice* Dev = nullptr;

  // One unit, checked out with the recorder as its handlers.
  std::shared_ptr<VirtualHidDevice> StartReading(VirtualHidDeviceSetup setup = UnitSetup()) {
    auto unit = Plug(std::move(setup));
    Start();
    Rec.Window = &Window;
    Controller->SetOnDeviceData({&Rec, &Recorder::OnData});
    Controller->SetOnDeviceDataError({&Rec, &Recorder::OnError});
    EXPECT_TRUE(Controller->CheckOutByIndex(Dev, 0));
    return unit;
  }
};

TEST_F(ReadThreadTest, CancelIOOfThePendingReadEndsTheWaitAndTheReaderReadsOn) {
  auto unit = StartReading();
  // The longest wait the reader may take: only a completion ends it early.
  Dev->SetThreadSleepTime(10000);
  unit->PushInputReport({1, 5});
  ASSERT_TRUE(PumpUntil([&] { return Rec.Reports.size() == 1 && unit->ReadPending(); }));

  ASSERT_TRUE(Dev->CancelIO(omhRead));
  ASSERT_TRUE(PumpUntil([&] { return unit->ReadPending(); })) << "no next read was started";
  unit->PushInputReport({1, 12});
  ASSERT_TRUE(PumpUntil([&] { return Rec.Reports.size() == 2; }));
  EXPECT_EQ(Rec.Reports[1].Data, (Bytes{12}));
  EXPECT_TRUE(Rec.Errors.empty()) << "a cancelled read is no error of the device";
}

TEST_F(ReadThreadTest, TheReadHandleIsOpenWhenCheckOutReturns) {
  // A device gives its reports to the handles open when they arrive: the
  // answer to a request written right after check-out must find one, even
  // before the new reader thread has run at all.
  StartReading();
  EXPECT_NE(Dev->HidOverlappedRead(), nullptr);
}

TEST_F(ReadThreadTest, ReportsReachOnDataOnTheWindowThreadWithIdDataAndSize) {
  VirtualHidDeviceSetup setup = UnitSetup();
  setup.Caps = platform::MakeVirtualCaps(5, 5);
  auto unit = StartReading(setup);
  ASSERT_NE(Dev->DataThread(), nullptr);
  unit->PushInputReport({7, 1, 2, 3, 4});
  unit->PushInputReport({});  // a read that completes with no bytes
  unit->PushInputReport({8, 9});
  ASSERT_TRUE(PumpUntil([&] { return Rec.Reports.size() == 2 && unit->QueuedInputReports() == 0; }));
  EXPECT_EQ(Rec.Reports[0].Device, Dev);
  EXPECT_EQ(Rec.Reports[0].ReportID, 7);
  EXPECT_EQ(Rec.Reports[0].Data, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(Rec.Reports[1].ReportID, 8);
  EXPECT_EQ(Rec.Reports[1].Data, (Bytes{9}));
  EXPECT_TRUE(Rec.Reports[0].OnWindowThread && Rec.Reports[1].OnWindowThread);
  EXPECT_TRUE(Rec.Errors.empty());
}

TEST_F(ReadThreadTest, SettingOnDataStartsAndClearingItStopsTheReader) {
  auto unit = StartReading();
  ASSERT_NE(Dev->DataThread(), nullptr);
  Dev->SetOnData(nullptr);
  EXPECT_EQ(Dev->DataThread(), nullptr);
  EXPECT_FALSE(unit->ReadPending()) << "the pending read was cancelled";
  unit->PushInputReport(Bytes(65, 1));
  Dev->SetOnData({&Rec, &Recorder::OnData});
  ASSERT_NE(Dev->DataThread(), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return Rec.Reports.size() == 1; }));
}

TEST_F(ReadThreadTest, AReadThatCannotStartReportsItsErrorUntilItCan) {
  VirtualHidDeviceSetup setup = UnitSetup();
  setup.Faults.ReadCannotStart = true;
  setup.Faults.ReadError = 0x1F;
  auto unit = StartReading(setup);
  ASSERT_TRUE(PumpUntil([&] { return Rec.Errors.size() >= 3; })) << "it keeps trying";
  EXPECT_EQ(Rec.Errors, std::vector<std::uint32_t>(Rec.Errors.size(), 0x1F));
  EXPECT_EQ(Dev->DataThread()->FErr(), 0x1Fu);
  unit->SetFaults({});
  unit->PushInputReport(Bytes(65, 3));
  ASSERT_TRUE(PumpUntil([&] { return Rec.Reports.size() == 1; }));
}

TEST_F(ReadThreadTest, AVanishedCheckedOutDeviceReportsItIsNotConnectedUntilCheckedIn) {
  auto unit = StartReading();
  unit->Unplug();
  ASSERT_TRUE(PumpUntil([&] { return Rec.Errors.size() >= 2; }));
  EXPECT_EQ(Rec.Errors.back(), platform::kErrorDeviceNotConnected);
  EXPECT_FALSE(Dev->IsPluggedIn());
  Controller->CheckIn(Dev);
  EXPECT_EQ(Controller->DeviceCount(), 0);
}

TEST_F(ReadThreadTest, AHandlerErrorEndsTheReaderWhileTheDeviceStaysCheckedOut) {
  auto unit = StartReading();
  Rec.AlsoOnData = [](TJvHidDevice*) { throw std::runtime_error("handler broke"); };
  unit->PushInputReport(Bytes(65, 1));
  ASSERT_TRUE(PumpUntil([&] { return Dev->DataThread()->Finished(); }));
  unit->PushInputReport(Bytes(65, 2));
  Window.Pump();
  EXPECT_EQ(Rec.Reports.size(), 1u);
  EXPECT_EQ(unit->QueuedInputReports(), 1u) << "nobody reads any more";
  EXPECT_FALSE(unit->ReadPending());
  EXPECT_TRUE(Dev->IsCheckedOut());
  EXPECT_TRUE(Window.TakeErrors().empty()) << "nothing is shown";

  Rec.AlsoOnData = nullptr;
  Controller->CheckIn(Dev);
  ASSERT_TRUE(Controller->CheckOutByIndex(Dev, 0));
  ASSERT_TRUE(PumpUntil([&] { return Rec.Reports.size() == 2; }));
  EXPECT_EQ(Rec.Reports[1].Data[0], 2);
}

TEST_F(ReadThreadTest, CheckInWhileTheReaderWaitsOnAHandOverRunsItAndReturns) {
  auto unit = StartReading();
  unit->PushInputReport(Bytes(65, 4));
  // Not pumped: the reader now blocks in its hand-over.
  ASSERT_TRUE(WaitUntil([&] { return Window.PendingPosts() > 0; }));
  ASSERT_TRUE(Rec.Reports.empty());
  Controller->CheckIn(Dev);
  EXPECT_EQ(Rec.Reports.size(), 1u) << "the queued report was still handled";
  EXPECT_EQ(Controller->DeviceAt(0)->DataThread(), nullptr);
  EXPECT_EQ(unit->OpenHandles(), 0u);
}

TEST_F(ReadThreadTest, ACheckInOrReleaseFromInsideItsOwnHandlerDoesNotHang) {
  for (bool release : {false, true}) {
    SCOPED_TRACE(release ? "release" : "check-in");
    Rec = {};
    auto unit = StartReading();
    TJvHidDevice* held = Dev;
    Rec.AlsoOnData = [&](TJvHidDevice* dev) {
      if (dev != held) return;
      if (release)
        held->Free();
      else
        Controller->CheckIn(held);
    };
    unit->PushInputReport(Bytes(65, 5));
    ASSERT_TRUE(PumpUntil([&] { return !Rec.Reports.empty(); }));
    ASSERT_EQ(Controller->DeviceCount(), 1);
    TJvHidDevice* entry = Controller->DeviceAt(0);
    EXPECT_FALSE(entry->IsCheckedOut());
    EXPECT_EQ(entry->DataThread(), nullptr);
    EXPECT_EQ(Count(), (Counters{1, 0, 0}));
    unit->PushInputReport(Bytes(65, 6));
    Window.Pump();
    EXPECT_EQ(Rec.Reports.size(), 1u);
    Controller.reset();
    unit->Unplug();
  }
}

TEST_F(ReadThreadTest, ANewThreadSleepTimeIsUsedFromTheNextWait) {
  auto unit = StartReading();
  ASSERT_TRUE(WaitUntil([&] { return unit->LastWaitMilliseconds() == 10; }));
  Dev->SetThreadSleepTime(37);
  ASSERT_TRUE(WaitUntil([&] { return unit->LastWaitMilliseconds() == 37; }));
  EXPECT_NE(Dev->DataThread(), nullptr);
}

TEST_F(ReadThreadTest, StoppingDuringAPendingReadCancelsIt) {
  auto unit = StartReading();
  ASSERT_TRUE(PumpUntil([&] { return unit->ReadPending(); }));
  Controller->CheckIn(Dev);
  EXPECT_FALSE(unit->ReadPending());
  EXPECT_EQ(unit->OpenHandles(), 0u);
}

}  // namespace
}  // namespace ombrel::test
