// A unit pulled out while a device-change pass reads it: the remove event
// comes first and sysfs is taken apart after it, part by part, so the pass
// may list the interface and then fail to open or identify it. That is no
// error: the interface is left out and one more pass runs. An interface
// still present that can't be opened is still reported.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_controller.h"
#include "hid/platform/linux/hidraw_platform.h"
#include "hid/pumped_window_thread.h"
#include "tests/hid_linux/mock_hidraw.h"
#include "tests/hid_linux/platform_with_hook.h"

namespace ombrel::test {
namespace {

namespace plat = ombrel::platform;

struct Unplugging {
  const char* Name;
  // Takes the unit (partly) away, between the listing and the opens.
  std::function<void(MockBed&, const MockHidInterface&)> TakeAway;
  friend void PrintTo(const Unplugging& u, std::ostream* out) { *out << u.Name; }
};

class UnplugFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UmockdevPreloadActive()) GTEST_SKIP() << kNoUmockdevPreload;
    Bed = std::make_unique<MockBed>();
    ASSERT_TRUE(Bed->Add(Unit));
    ASSERT_TRUE(Bed->Add(Keyboard));
  }
  void TearDown() override { Controller.reset(); }

  void Start() {
    Controller = std::make_unique<TJvHidDeviceController>(Platform, Window);
    Window.Pump();
  }
  bool Lists(const MockHidInterface& m) const {
    for (int i = 0; i < Controller->DeviceCount(); ++i)
      if (Controller->DeviceAt(i)->PnPInfo().DevicePath() == m.Node() &&
          Controller->DeviceAt(i)->IsPluggedIn())
        return true;
    return false;
  }
  // Runs what the passes posted, follow-up passes included.
  void Settle() {
    ASSERT_TRUE(Window.PumpUntil([&] {
      Window.Pump();
      return Window.PendingPosts() == 0;
    }));
  }

  std::unique_ptr<MockBed> Bed;
  const MockHidInterface Unit = MockUnit(0);
  const MockHidInterface Keyboard = MockKeyboard(1);
  std::shared_ptr<PlatformWithHook> Platform = std::make_shared<PlatformWithHook>();
  PumpedWindowThread Window;
  std::unique_ptr<TJvHidDeviceController> Controller;
};

class UnplugDuringPassTest : public UnplugFixture,
                             public ::testing::WithParamInterface<Unplugging> {};

TEST_P(UnplugDuringPassTest, TheGoneUnitIsLeftOutWithoutAnErrorAndOneMorePassRuns) {
  Platform->AfterListing = [&] { GetParam().TakeAway(*Bed, Unit); };
  Start();
  EXPECT_TRUE(Window.TakeErrors().empty()) << "an error box would show";
  EXPECT_TRUE(Window.PumpUntil([&] { return Platform->Listings >= 2; }))
      << "no pass after the one that left the unit out";
  Settle();
  EXPECT_TRUE(Window.TakeErrors().empty());
  EXPECT_FALSE(Lists(Unit));
  EXPECT_TRUE(Lists(Keyboard)) << "the rest of the list is right";
}

// A unit already listed and checked out goes the same way at a later pass.
TEST_P(UnplugDuringPassTest, AListedUnitThatGoesDuringAPassIsMarkedUnplugged) {
  Start();
  TJvHidDevice* unit = nullptr;
  ASSERT_TRUE(Controller->CheckOutByID(unit, 0x0483, 0x5750));
  Platform->AfterListing = [&] { GetParam().TakeAway(*Bed, Unit); };
  Controller->HandleDeviceChangeMessage(plat::kWmDeviceChange, plat::kDbtDevnodesChanged, 0);
  Settle();
  EXPECT_TRUE(Window.TakeErrors().empty());
  EXPECT_FALSE(unit->IsPluggedIn());
  EXPECT_EQ(Controller->NumUnpluggedDevices(), 1);
  Controller->CheckIn(unit);
  EXPECT_FALSE(Lists(Unit));
  EXPECT_TRUE(Lists(Keyboard));
}

std::string Under(MockBed& bed, const std::string& sysPath) { return bed.Root() + sysPath; }

INSTANTIATE_TEST_SUITE_P(
    Parts, UnplugDuringPassTest,
    ::testing::Values(
        // Announced and taken away whole.
        Unplugging{"Whole",
                   [](MockBed& bed, const MockHidInterface& m) { bed.Remove(m); }},
        // The node's own sysfs entry goes first: nothing left to open.
        Unplugging{"NodeEntryFirst",
                   [](MockBed& bed, const MockHidInterface& m) {
                     std::filesystem::remove_all(Under(bed, m.HidrawPath()));
                   }},
        // The hid device's description goes while the node entry stays: the
        // node opens but can't be identified.
        Unplugging{"IdentityFirst",
                   [](MockBed& bed, const MockHidInterface& m) {
                     std::filesystem::remove(Under(bed, m.HidPath()) + "/uevent");
                   }}),
    [](const ::testing::TestParamInfo<Unplugging>& info) { return info.param.Name; });

class PresentButRefusedTest : public UnplugFixture {};

// The other side: a unit that is there and can't be opened is reported as
// the listing reports it.
TEST_F(PresentButRefusedTest, AUnitStillPresentThatCannotBeOpenedIsReported) {
  Platform->RefusedPath = Unit.Node();
  Start();
  const auto errors = Window.TakeErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Device cannot be opened");
  // A backend that gives only a code: the record still names the open.
  EXPECT_EQ(Controller->LastCreateError().Message(), "open " + Unit.Node() + ": system error 32");
}

}  // namespace
}  // namespace ombrel::test
