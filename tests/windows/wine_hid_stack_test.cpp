// The backend against Wine's own HID.dll and SetupApi.dll. Wine lists HID
// interfaces of its own (vendor 0x845E); none of them is the unit.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>

#include "hid/hid_controller.h"
#include "hid/hid_device.h"
#include "hid/pumped_window_thread.h"
#include "hid/platform/windows/windows_error.h"
#include "hid/platform/native_platform.h"
#include "hid/platform/windows/windows_platform.h"

namespace plat = ombrel::platform;
using plat::windows_hid::LastWindowsError;
using plat::windows_hid::WindowsHidPlatform;

namespace {

constexpr std::uint16_t kWineVendor = 0x845E;

class WineHidStackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Platform->BindSetupLibrary());
    ASSERT_TRUE(Platform->BindHidLibrary());
    auto listed = Platform->ListInterfaces(Platform->GetHidGuid());
    ASSERT_TRUE(listed.has_value());
    Found = std::move(*listed);
    ASSERT_FALSE(Found.empty()) << "Wine lists HID interfaces of its own";
  }
  void TearDown() override {
    Platform->UnbindHidLibrary();
    Platform->UnbindSetupLibrary();
  }

  std::shared_ptr<WindowsHidPlatform> Platform = std::make_shared<WindowsHidPlatform>();
  std::vector<plat::HidInterface> Found;
};

TEST_F(WineHidStackTest, TheHidClassIsTheSystemsFixedGuid) {
  EXPECT_EQ(Platform->GetHidGuid(), plat::kHidInterfaceClassGuid);
  EXPECT_TRUE(Platform->HidLibraryBound());
}

TEST_F(WineHidStackTest, ListsWinesInterfacesWithPathsPropertiesAttributesCapsAndStrings) {
  int wines = 0;
  for (const auto& found : Found) {
    SCOPED_TRACE(found.DevicePath);
    EXPECT_EQ(found.DevicePath.rfind("\\\\?\\", 0), 0u) << "an interface path";
    EXPECT_EQ(std::count_if(Found.begin(), Found.end(),
                            [&](const auto& f) { return f.DeviceID == found.DeviceID; }),
              1)
        << "each interface its own identity";
    EXPECT_FALSE(found.Properties.HardwareID.empty());
    auto handle = Platform->Open(found.DevicePath, plat::HidAccess::None, false);
    ASSERT_TRUE(handle) << LastWindowsError().Text;
    plat::HidAttributes attributes;
    ASSERT_TRUE(handle->GetAttributes(attributes));
    EXPECT_EQ(attributes.Size, 12u);
    if (attributes.VendorID == kWineVendor) ++wines;
    auto preparsed = handle->GetPreparsedData();
    ASSERT_TRUE(preparsed);
    plat::HidCaps caps;
    EXPECT_EQ(preparsed->GetCaps(caps), plat::kHidpStatusSuccess);
    EXPECT_NE(caps.UsagePage, 0u);
    std::array<char16_t, 254> product{};
    ASSERT_TRUE(handle->GetProductString(product));
    EXPECT_NE(product[0], u'\0');
    std::array<char16_t, 254> manufacturer{};
    EXPECT_TRUE(handle->GetManufacturerString(manufacturer));
  }
  EXPECT_GE(wines, 2);
}

TEST_F(WineHidStackTest, TheHidVersionIsTheLibrarysFileVersion) {
  // Read from the string table the library's version resource names (the
  // system's libraries name a Unicode one, 040904B0).
  const std::string version = Platform->HidVersion();
  ASSERT_FALSE(version.empty());
  EXPECT_TRUE(version[0] >= '0' && version[0] <= '9') << version;
  EXPECT_NE(version.find('.'), std::string::npos) << version;
}

TEST_F(WineHidStackTest, IdentitiesAndPathsStayTheSameFromOneListingToTheNext) {
  auto again = Platform->ListInterfaces(Platform->GetHidGuid());
  ASSERT_TRUE(again);
  ASSERT_EQ(again->size(), Found.size());
  for (std::size_t i = 0; i < Found.size(); ++i) {
    EXPECT_EQ((*again)[i].DeviceID, Found[i].DeviceID);
    EXPECT_EQ((*again)[i].DevicePath, Found[i].DevicePath);
  }
}

TEST_F(WineHidStackTest, OpensWithAndWithoutAccessRights) {
  for (const auto& found : Found) {
    SCOPED_TRACE(found.DevicePath);
    for (auto access : {plat::HidAccess::None, plat::HidAccess::Read, plat::HidAccess::ReadWrite}) {
      auto handle = Platform->Open(found.DevicePath, access, false);
      ASSERT_TRUE(handle) << static_cast<int>(access) << ": " << LastWindowsError().Text;
      plat::HidAttributes attributes;
      EXPECT_TRUE(handle->GetAttributes(attributes));
      handle->Close();
      EXPECT_FALSE(handle->GetAttributes(attributes)) << "a closed handle";
      EXPECT_EQ(plat::LastError(), plat::kErrorInvalidHandle);
    }
  }
}

TEST_F(WineHidStackTest, OpeningAPathThatIsNotThereSaysWhatWhereAndWhy) {
  const std::string path = "\\\\?\\hid#vid_0483&pid_5750#gone#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  EXPECT_EQ(Platform->Open(path, plat::HidAccess::ReadWrite, false), nullptr);
  EXPECT_EQ(plat::LastError(), plat::kErrorFileNotFound);
  EXPECT_EQ(LastWindowsError().Operation, "CreateFileW");
  EXPECT_EQ(LastWindowsError().Path, path);
  EXPECT_FALSE(LastWindowsError().Text.empty());
}

TEST_F(WineHidStackTest, AReadStartedOnAnInterfaceIsCancelledAndItsRoutineRuns) {
  const auto& found = Found.front();
  auto handle = Platform->Open(found.DevicePath, plat::HidAccess::Read, true);
  ASSERT_TRUE(handle) << LastWindowsError().Text;
  plat::HidCaps caps;
  ASSERT_EQ(handle->GetPreparsedData()->GetCaps(caps), plat::kHidpStatusSuccess);
  std::vector<std::uint8_t> buffer(std::max<std::size_t>(caps.InputReportByteLength, 1));
  int completions = 0;
  plat::HidError error = 0;
  ASSERT_TRUE(handle->StartRead(buffer, [&](plat::HidError e, std::uint32_t) {
    ++completions;
    error = e;
  })) << LastWindowsError().Text;
  // Wine's own devices send nothing: the wait runs out.
  EXPECT_EQ(handle->WaitForCompletion(20, {}), plat::WaitOutcome::TimedOut);
  std::uint32_t bytes = 7;
  EXPECT_FALSE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(plat::LastError(), plat::kErrorIoIncomplete);
  EXPECT_TRUE(handle->CancelIo());
  EXPECT_EQ(completions, 1) << "the routine has run when CancelIo returns";
  EXPECT_EQ(error, plat::kErrorOperationAborted);
  EXPECT_FALSE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(bytes, 0u);
}

TEST_F(WineHidStackTest, AStopEndsAWaitLongBeforeItsTime) {
  auto handle = Platform->Open(Found.front().DevicePath, plat::HidAccess::Read, true);
  ASSERT_TRUE(handle);
  std::vector<std::uint8_t> buffer(64);
  ASSERT_TRUE(handle->StartRead(buffer, nullptr));
  std::stop_source stop;
  std::jthread stopper([&] {
    ::Sleep(50);
    stop.request_stop();
  });
  const ULONGLONG started = ::GetTickCount64();
  EXPECT_EQ(handle->WaitForCompletion(60000, stop.get_token()), plat::WaitOutcome::Stopped);
  EXPECT_LT(::GetTickCount64() - started, 30000u);
  EXPECT_TRUE(handle->CancelIo());
}

TEST_F(WineHidStackTest, ClosingFromAnotherThreadCompletesThePendingReadWithNoData) {
  auto handle = Platform->Open(Found.front().DevicePath, plat::HidAccess::Read, true);
  ASSERT_TRUE(handle);
  std::vector<std::uint8_t> buffer(64);
  int completions = 0;
  ASSERT_TRUE(handle->StartRead(buffer, [&](plat::HidError, std::uint32_t) { ++completions; }));
  std::jthread closer([&] { handle->Close(); });
  closer.join();
  plat::WaitOutcome outcome = plat::WaitOutcome::TimedOut;
  for (int i = 0; i < 100 && outcome != plat::WaitOutcome::IoCompletion; ++i)
    outcome = handle->WaitForCompletion(100, {});
  EXPECT_EQ(outcome, plat::WaitOutcome::IoCompletion);
  EXPECT_EQ(completions, 1);
  std::uint32_t bytes = 1;
  EXPECT_FALSE(handle->GetOverlappedResult(true, bytes));
  EXPECT_EQ(bytes, 0u);
}

TEST_F(WineHidStackTest, TheControllerListsWinesInterfacesAndTakesNoneForAUnit) {
  ombrel::PumpedWindowThread window;
  int changes = 0;
  TJvHidDeviceController controller(Platform, window, nullptr,
                                    [&](TJvHidDeviceController*) { ++changes; });
  ASSERT_TRUE(window.PumpUntil([&] { return changes > 0; }));
  EXPECT_EQ(controller.DeviceCount(), static_cast<int>(Found.size()));
  int walked = 0;
  controller.SetOnEnumerate([&](TJvHidDevice* device, int) {
    ++walked;
    EXPECT_FALSE(device->ProductName().empty()) << "openable while walked";
    return true;
  });
  EXPECT_EQ(controller.Enumerate(), static_cast<int>(Found.size()));
  EXPECT_EQ(walked, static_cast<int>(Found.size()));
  EXPECT_EQ(controller.CountByID(0x0483, 0x5750), 0);
  EXPECT_GE(controller.CountByID(kWineVendor, -1), 2);
  TJvHidDevice* unit = nullptr;
  EXPECT_FALSE(controller.CheckOutByID(unit, 0x0483, 0x5750));
  EXPECT_EQ(unit, nullptr);
  EXPECT_TRUE(window.TakeErrors().empty());
}

TEST(WindowsBindingTest, ALibraryThatIsMissingLeavesThePlatformUnbound) {
  WindowsHidPlatform platform({L"ombrel-no-such-hid.dll", L"ombrel-no-such-setupapi.dll"});
  EXPECT_FALSE(platform.BindSetupLibrary());
  EXPECT_EQ(platform.SetupBindings(), 0);
  EXPECT_FALSE(platform.HidLibraryBound());
  EXPECT_FALSE(platform.ListInterfaces(plat::kHidInterfaceClassGuid).has_value());
  EXPECT_EQ(platform.GetHidGuid(), plat::kHidInterfaceClassGuid);
}

TEST(WindowsBindingTest, ALibraryLackingOneFunctionIsNotBoundAtAll) {
  // kernel32 loads, but has none of HID.dll's functions.
  WindowsHidPlatform platform({L"kernel32.dll", L"kernel32.dll"});
  EXPECT_FALSE(platform.BindHidLibrary());
  EXPECT_FALSE(platform.BindSetupLibrary());
  EXPECT_FALSE(platform.HidLibraryBound());
}

TEST(WindowsBindingTest, BindingsAreCountedAndTheLastUnbindReleases) {
  WindowsHidPlatform platform;
  ASSERT_TRUE(platform.BindSetupLibrary());
  ASSERT_TRUE(platform.BindSetupLibrary());
  ASSERT_TRUE(platform.BindHidLibrary());
  EXPECT_EQ(platform.SetupBindings(), 2);
  platform.UnbindSetupLibrary();
  EXPECT_TRUE(platform.ListInterfaces(plat::kHidInterfaceClassGuid).has_value());
  platform.UnbindSetupLibrary();
  EXPECT_FALSE(platform.ListInterfaces(plat::kHidInterfaceClassGuid).has_value());
  EXPECT_TRUE(platform.HidLibraryBound());
  platform.UnbindHidLibrary();
  EXPECT_FALSE(platform.HidLibraryBound());
  platform.UnbindHidLibrary();  // one too many changes nothing
  EXPECT_EQ(platform.HidBindings(), 0);
}

TEST(WindowsBindingTest, TheNativePlatformOnWindowsIsThisBackend) {
  auto platform = plat::MakeNativeHidPlatform();
  EXPECT_NE(dynamic_cast<WindowsHidPlatform*>(platform.get()), nullptr);
}

}  // namespace
