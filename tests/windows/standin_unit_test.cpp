// The unit through the backend: stand-in HID.dll and SetupApi.dll (built by
// the project, bound through the library-name seam) list it with a named
// pipe as its device path, served by the test with the simulated unit. So
// CreateFileW, ReadFileEx and its completion routines, WriteFile, SleepEx
// and CancelIo are Wine's real kernel32 on a real handle.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <vector>

#include "hid/hid_controller.h"
#include "hid/hid_device.h"
#include "hid/pumped_window_thread.h"
#include "hid/platform/windows/windows_error.h"
#include "hid/platform/windows/windows_platform.h"
#include "message_pump.h"
#include "pipe_unit.h"
#include "test_folders.h"

namespace plat = ombrel::platform;
using plat::windows_hid::LastWindowsError;
using plat::windows_hid::LibraryNames;
using plat::windows_hid::WindowsHidPlatform;

namespace {

constexpr std::size_t kReportLength = 65;

std::wstring StandInFolder() { return ombrel::test::OwnFolder() + L"standin\\"; }

// The request for one parameter, as the program writes it: 01 10 01 <id>.
std::vector<std::uint8_t> ReadRequest(std::uint8_t parameter) {
  std::vector<std::uint8_t> report(kReportLength, 0);
  report[0] = 1;
  report[1] = 16;
  report[2] = 1;
  report[3] = parameter;
  return report;
}

std::string Utf8(const std::wstring& text) { return plat::windows_hid::Narrow(text); }

class StandInUnitTest : public ::testing::Test {
 protected:
  StandInUnitTest() {
    ombrel::sim::UnitModelConfig config;
    config.productName = "Pendra DUO";
    Unit = std::make_unique<ombrel::test::PipeUnit>(config);
  }
  void SetUp() override {
    Unit->Plug();
    ASSERT_TRUE(Platform->BindSetupLibrary()) << "stand-ins in " << Utf8(StandInFolder());
    ASSERT_TRUE(Platform->BindHidLibrary());
  }
  void TearDown() override {
    Platform->UnbindHidLibrary();
    Platform->UnbindSetupLibrary();
  }

  std::shared_ptr<WindowsHidPlatform> Platform = std::make_shared<WindowsHidPlatform>(
      LibraryNames{StandInFolder() + L"standin-hid.dll", StandInFolder() + L"standin-setupapi.dll"});
  std::unique_ptr<ombrel::test::PipeUnit> Unit;
};

TEST_F(StandInUnitTest, TheListingFindsTheUnitWithItsPathIdentityAndProperties) {
  auto found = Platform->ListInterfaces(Platform->GetHidGuid());
  ASSERT_TRUE(found);
  ASSERT_EQ(found->size(), 1u);
  const auto& unit = found->front();
  EXPECT_EQ(unit.DevicePath, Utf8(Unit->DevicePath()));
  EXPECT_EQ(unit.DeviceID, Unit->DevInst());
  EXPECT_EQ(unit.Properties.ClassDescr, "HIDClass");
  EXPECT_EQ(unit.Properties.DeviceDescr, "HID-compliant vendor-defined device");
  EXPECT_EQ(unit.Properties.HardwareID,
            (std::vector<std::string>{"HID\\VID_0483&PID_5750", "HID_DEVICE_UP:FF00_U:0001",
                                      "HID_DEVICE"}));
  EXPECT_EQ(unit.Properties.Capabilities, 0x84u);
  EXPECT_TRUE(unit.Properties.FriendlyName.empty()) << "a property the device lacks";
  EXPECT_EQ(unit.Properties.UINumber, 0u);

  Unit->Unplug();
  found = Platform->ListInterfaces(Platform->GetHidGuid());
  ASSERT_TRUE(found);
  EXPECT_TRUE(found->empty());
  Unit->Plug();
  found = Platform->ListInterfaces(Platform->GetHidGuid());
  ASSERT_TRUE(found);
  ASSERT_EQ(found->size(), 1u);
  EXPECT_EQ(found->front().DeviceID, Unit->DevInst()) << "plugged again: a new node";
}

TEST_F(StandInUnitTest, TheHandleDescribesTheUnitThroughTheHidLibrary) {
  auto handle = Platform->Open(Utf8(Unit->DevicePath()), plat::HidAccess::None, false);
  ASSERT_TRUE(handle) << LastWindowsError().Text;
  plat::HidAttributes attributes;
  ASSERT_TRUE(handle->GetAttributes(attributes));
  EXPECT_EQ(attributes.VendorID, 0x0483);
  EXPECT_EQ(attributes.ProductID, 0x5750);
  plat::HidCaps caps;
  ASSERT_EQ(handle->GetPreparsedData()->GetCaps(caps), plat::kHidpStatusSuccess);
  EXPECT_EQ(caps.InputReportByteLength, kReportLength);
  EXPECT_EQ(caps.OutputReportByteLength, kReportLength);
  std::array<char16_t, 254> product{};
  ASSERT_TRUE(handle->GetProductString(product));
  EXPECT_EQ(std::u16string(product.data()), u"Pendra DUO");
  // The stand-in lacks the late functions: bound anyway, their callers fail.
  std::array<std::uint8_t, kReportLength> report{};
  EXPECT_FALSE(handle->GetInputReport(report));
  EXPECT_EQ(plat::LastError(), plat::kErrorNotSupported);
}

TEST_F(StandInUnitTest, AnOverlappedReadGetsOneAnswerPerRoutineAndWritesReachTheUnit) {
  auto reader = Platform->Open(Utf8(Unit->DevicePath()), plat::HidAccess::Read, true);
  auto writer = Platform->Open(Utf8(Unit->DevicePath()), plat::HidAccess::ReadWrite, false);
  ASSERT_TRUE(reader && writer) << LastWindowsError().Text;
  std::vector<std::uint8_t> buffer(kReportLength);
  std::vector<std::pair<plat::HidError, std::uint32_t>> completions;
  auto record = [&](plat::HidError e, std::uint32_t n) { completions.emplace_back(e, n); };
  ASSERT_TRUE(reader->StartRead(buffer, record)) << LastWindowsError().Text;
  EXPECT_EQ(reader->WaitForCompletion(10, {}), plat::WaitOutcome::TimedOut);

  std::uint32_t written = 0;
  ASSERT_TRUE(writer->Write(ReadRequest(5), written)) << LastWindowsError().Text;
  EXPECT_EQ(written, kReportLength);
  plat::WaitOutcome outcome = plat::WaitOutcome::TimedOut;
  for (int i = 0; i < 100 && outcome != plat::WaitOutcome::IoCompletion; ++i)
    outcome = reader->WaitForCompletion(100, {});
  ASSERT_EQ(outcome, plat::WaitOutcome::IoCompletion);
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0], std::make_pair(plat::kErrorSuccess, std::uint32_t{kReportLength}));
  std::uint32_t bytes = 0;
  ASSERT_TRUE(reader->GetOverlappedResult(true, bytes));
  EXPECT_EQ(bytes, kReportLength);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[1], 5) << "the answer carries the parameter asked for";
  ASSERT_EQ(Unit->Model().OutputReportCount(), 1u);
  EXPECT_EQ(Unit->Model().OutputLog()[0], ReadRequest(5));

  // A read that waits is cancelled: its routine has run when CancelIo returns.
  ASSERT_TRUE(reader->StartRead(buffer, record));
  EXPECT_TRUE(reader->CancelIo());
  ASSERT_EQ(completions.size(), 2u);
  EXPECT_EQ(completions[1].first, plat::kErrorOperationAborted);
}

TEST_F(StandInUnitTest, AWriteTheUnitDoesNotTakeIsCalledOffAndTheHandleWritesAgainOnceItTakes) {
  // A unit that takes each report as a HID device does: a write completes
  // only once the unit has read it.
  ombrel::sim::UnitModelConfig config;
  config.productName = "Pendra DUO";
  Unit = std::make_unique<ombrel::test::PipeUnit>(config, ombrel::test::Intake::OneAtATime);
  Unit->Plug();
  auto writer = Platform->Open(Utf8(Unit->DevicePath()), plat::HidAccess::ReadWrite, false);
  ASSERT_TRUE(writer) << LastWindowsError().Text;
  std::uint32_t written = 0;
  ASSERT_TRUE(writer->Write(ReadRequest(5), written)) << LastWindowsError().Text;

  Unit->StopTaking();
  struct Outcome {
    bool Ok;
    plat::HidError Error;
    std::string Operation;
    std::uint32_t Written;
  };
  std::promise<Outcome> outcome;
  std::future<Outcome> returned = outcome.get_future();
  std::jthread writing([&] {
    std::uint32_t n = 0;
    const bool ok = writer->Write(ReadRequest(7), n);
    outcome.set_value({ok, plat::LastError(), LastWindowsError().Operation, n});
  });
  // A limit that only a write waiting for ever reaches, never a pace.
  const bool ended = returned.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  Unit->TakeAgain();  // a write still waiting ends now, so the test fails instead of hanging
  ASSERT_TRUE(ended) << "the write still waits for a unit that takes nothing";
  const Outcome timedOut = returned.get();
  EXPECT_FALSE(timedOut.Ok);
  EXPECT_EQ(timedOut.Error, static_cast<plat::HidError>(ERROR_TIMEOUT));
  EXPECT_EQ(timedOut.Operation, "WriteFile");
  EXPECT_EQ(timedOut.Written, 0u);

  // The unit reads again: the same handle's next write is taken, and the
  // one called off never reached it.
  ASSERT_TRUE(writer->Write(ReadRequest(9), written)) << LastWindowsError().Text;
  EXPECT_EQ(written, kReportLength);
  // Answers reach every open handle, so this one reads them too; the
  // second is answered once the unit has logged what it took.
  std::vector<std::uint8_t> answer(kReportLength);
  std::uint32_t read = 0;
  ASSERT_TRUE(writer->Read(answer, read)) << LastWindowsError().Text;
  EXPECT_EQ(read, kReportLength);
  EXPECT_EQ(answer[1], 5);
  ASSERT_TRUE(writer->Read(answer, read)) << LastWindowsError().Text;
  EXPECT_EQ(answer[1], 9);
  EXPECT_EQ(Unit->Model().OutputLog(),
            (std::vector<ombrel::sim::Report>{ReadRequest(5), ReadRequest(9)}));
}

TEST_F(StandInUnitTest, UnpluggingEndsAWaitingReadAndLaterReadsDoNotStart) {
  auto reader = Platform->Open(Utf8(Unit->DevicePath()), plat::HidAccess::Read, true);
  ASSERT_TRUE(reader);
  std::vector<std::uint8_t> buffer(kReportLength);
  plat::HidError error = 0;
  int completions = 0;
  ASSERT_TRUE(reader->StartRead(buffer, [&](plat::HidError e, std::uint32_t) {
    ++completions;
    error = e;
  }));
  Unit->Unplug();
  plat::WaitOutcome outcome = plat::WaitOutcome::TimedOut;
  for (int i = 0; i < 100 && outcome != plat::WaitOutcome::IoCompletion; ++i)
    outcome = reader->WaitForCompletion(100, {});
  ASSERT_EQ(outcome, plat::WaitOutcome::IoCompletion);
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) << error;
  EXPECT_FALSE(reader->StartRead(buffer, nullptr));
  EXPECT_EQ(LastWindowsError().Operation, "ReadFileEx");
  EXPECT_EQ(LastWindowsError().Path, Utf8(Unit->DevicePath()));
}

// The HID link over the backend: the controller, a checked-out unit with its
// reader, the hidden window's passes under a plain message pump.
class StandInControllerTest : public StandInUnitTest {
 protected:
  // Dispatches the thread's Win32 messages and the link's posts and
  // hand-overs until `done` holds.
  bool PumpUntil(const std::function<bool()>& done) {
    return ombrel::test::PumpMessagesUntil([&] {
      Window.Pump();
      return done();
    });
  }
  void BroadcastAndPump(const std::function<bool()>& done) {
    std::atomic<bool> sent = false;
    std::jthread sender([&] {
      ombrel::test::BroadcastDeviceChange();
      sent = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return sent.load() && done(); }));
  }

  // Answers reach the handles open when the unit sends them, as a HID
  // device's do: the write handle is opened and the reader's handle taken
  // by the unit before a request goes out.
  void ReaderListens(TJvHidDevice* unit) {
    ASSERT_TRUE(unit->OpenFile());
    ASSERT_TRUE(PumpUntil([&] { return unit->HidOverlappedRead() && Unit->Connections() == 2; }))
        << Unit->Connections();
  }

  ombrel::PumpedWindowThread Window;
};

TEST_F(StandInControllerTest, TheUnitIsListedCheckedOutReadAndWrittenAndSurvivesAReplug) {
  int changes = 0;
  std::vector<std::vector<std::uint8_t>> answers;
  std::vector<plat::HidError> dataErrors;
  int unplugs = 0;
  TJvHidDeviceController controller(Platform, Window, nullptr,
                                    [&](TJvHidDeviceController*) { ++changes; });
  controller.SetOnDeviceData([&](TJvHidDevice*, std::uint8_t id, const void* data,
                                 std::uint16_t size) {
    std::vector<std::uint8_t> report{id};
    auto* bytes = static_cast<const std::uint8_t*>(data);
    report.insert(report.end(), bytes, bytes + size);
    answers.push_back(std::move(report));
  });
  controller.SetOnDeviceDataError([&](TJvHidDevice*, std::uint32_t e) { dataErrors.push_back(e); });
  controller.SetOnDeviceUnplug([&](TJvHidDevice*) { ++unplugs; });
  ASSERT_TRUE(PumpUntil([&] { return controller.DeviceCount() == 1; }));
  EXPECT_GE(changes, 1);

  TJvHidDevice* unit = nullptr;
  ASSERT_TRUE(controller.CheckOutByID(unit, 0x0483, 0x5750));
  EXPECT_EQ(unit->ProductName(), "Pendra DUO");
  EXPECT_EQ(unit->VendorName(), "Kolvmark Tovra");
  EXPECT_EQ(unit->SerialNumber(), "PD2300017");
  EXPECT_TRUE(unit->HasReadWriteAccess());
  EXPECT_EQ(unit->Caps().OutputReportByteLength, kReportLength);
  ASSERT_NE(unit->DataThread(), nullptr) << "checked out with a handler: its reader runs";

  ReaderListens(unit);
  std::uint32_t written = 0;
  const auto request = ReadRequest(12);
  ASSERT_TRUE(unit->WriteFile(request.data(), kReportLength, written));
  ASSERT_TRUE(PumpUntil([&] { return !answers.empty(); }));
  EXPECT_EQ(answers[0].size(), kReportLength);
  EXPECT_EQ(answers[0][1], 12);

  // Unplugged while its reader waits: the broadcast's pass marks it gone.
  Unit->Unplug();
  BroadcastAndPump([&] { return unplugs == 1; });
  EXPECT_FALSE(unit->IsPluggedIn());
  EXPECT_EQ(controller.NumUnpluggedDevices(), 1);
  ASSERT_TRUE(PumpUntil([&] { return !dataErrors.empty(); })) << "the reader says it can't read";
  controller.CheckIn(unit);
  EXPECT_EQ(controller.DeviceCount(), 0);

  // Plugged again: a new node, checked out and read like the first.
  Unit->Plug();
  BroadcastAndPump([&] { return controller.DeviceCount() == 1; });
  ASSERT_TRUE(controller.CheckOutByID(unit, 0x0483, 0x5750));
  EXPECT_EQ(unit->PnPInfo().DeviceID(), Unit->DevInst());
  answers.clear();
  ReaderListens(unit);
  ASSERT_TRUE(unit->WriteFile(ReadRequest(5).data(), kReportLength, written));
  ASSERT_TRUE(PumpUntil([&] { return !answers.empty(); }));
  EXPECT_EQ(answers[0][1], 5);
  controller.CheckIn(unit);
  EXPECT_TRUE(Window.TakeErrors().empty());
}

}  // namespace
