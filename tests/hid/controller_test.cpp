#include <gtest/gtest.h>

#include <string>

#include "hid/hid_read_thread.h"
#include "hid/platform/unbound_platform.h"
#include "hid_fixture.h"

namespace ombrel::test {
namespace {

using platform::VirtualOpen;

struct EventLog {
  std::vector<std::string> Lines;
  void Change(TJvHidDeviceController*) { Lines.push_back("change"); }
  // Arrivals read the product name: proof the device may be opened then.
  void Arrival(TJvHidDevice* dev) { Lines.push_back("arrival " + dev->ProductName()); }
  void Removal(TJvHidDevice* dev) {
    Lines.push_back("removal " + std::to_string(dev->PnPInfo().DeviceID()));
  }
  std::vector<std::string> Take() { return std::exchange(Lines, {}); }
};

class ControllerTest : public HidLinkTest {
 protected:
  EventLog Log;

  void Watch() {
    Controller->BeginLoading();
    Controller->SetOnDeviceChange({&Log, &EventLog::Change});
    Controller->SetOnArrival({&Log, &EventLog::Arrival});
    Controller->SetOnRemoval({&Log, &EventLog::Removal});
    Controller->EndLoading();
  }
  void StartWatching() {
    MakeController();
    Watch();
    Window.Pump();
  }
  std::string Removal(const std::shared_ptr<VirtualHidDevice>& d) {
    return "removal " + std::to_string(d->DeviceID());
  }
};

TEST_F(ControllerTest, TheFirstPassRunsOnThePostedTriggerAndListsInPlatformOrder) {
  for (bool anyDevice : {true, false}) {
    SCOPED_TRACE(anyDevice ? "two interfaces" : "no interface");
    Controller.reset();
    for (auto& d : Bus->Devices()) d->Unplug();
    if (anyDevice) {
      Plug(UnitSetup(u"Pendra"));
      Plug(UnitSetup(u"Mouse", 0x046D, 0xC077));
    }
    MakeController();
    Watch();
    EXPECT_EQ(Controller->DeviceCount(), 0);
    EXPECT_TRUE(Log.Lines.empty()) << "handlers set while loading run no pass";
    EXPECT_EQ(Window.PendingPosts(), 1u);
    Window.Pump();
    if (anyDevice) {
      EXPECT_EQ(Log.Take(), (std::vector<std::string>{"arrival Pendra", "arrival Mouse", "change"}));
      EXPECT_EQ(Count(), (Counters{2, 0, 0}));
      EXPECT_EQ(Controller->Enumerate(), 1) << "no OnEnumerate: stops at the first";
    } else {
      EXPECT_EQ(Log.Take(), std::vector<std::string>{"change"}) << "the first pass always tells";
      EXPECT_EQ(Controller->Enumerate(), 0);
    }
    EXPECT_EQ(Controller->HidGuid(), platform::kHidInterfaceClassGuid);
  }
}

TEST_F(ControllerTest, HandlersGivenAtConstructionWaitForTheFirstPass) {
  Plug();
  Controller = std::make_unique<TJvHidDeviceController>(
      Bus, Window, nullptr, TJvHidNotifyEvent{&Log, &EventLog::Change});
  EXPECT_TRUE(Log.Lines.empty()) << "the class is not known yet when the setter runs";
  Window.Pump();
  EXPECT_EQ(Log.Take(), std::vector<std::string>{"change"});
  EXPECT_EQ(Controller->DeviceCount(), 1);
}

TEST_F(ControllerTest, AnUnboundPlatformListsNothingAndSaysNothing) {
  struct Case {
    const char* name;
    std::shared_ptr<platform::HidPlatform> platform;
    bool setupAvailable, hidAvailable;
    std::string version;  // the HID library's, which needs no binding
  };
  Bus->SetHidVersion("10.0.19041.1");
  for (const Case& c :
       {Case{"unbound", std::make_shared<platform::UnboundHidPlatform>(), true, true, ""},
        Case{"no platform given", nullptr, true, true, ""},
        Case{"no setup library", Bus, false, true, "10.0.19041.1"},
        Case{"no HID library", Bus, true, false, ""}}) {
    SCOPED_TRACE(c.name);
    Bus->SetLibrariesAvailable(c.setupAvailable, c.hidAvailable);
    Plug();
    {
      TJvHidDeviceController controller(c.platform, Window, nullptr,
                                        TJvHidNotifyEvent{&Log, &EventLog::Change});
      EXPECT_EQ(controller.HidGuid(), platform::kHidInterfaceClassGuid);
      Plug();
      EXPECT_EQ(Window.PendingPosts(), 0u);
      controller.DeviceChange();
      EXPECT_EQ(controller.DeviceCount(), 0);
      EXPECT_EQ(controller.Enumerate(), 0);
      EXPECT_EQ(controller.HidVersion(), c.version);
      EXPECT_EQ(controller.Version(), "1.0.35");
    }
    EXPECT_TRUE(Log.Take().empty());
    EXPECT_EQ(Bus->SetupBindCount(), 0);
    EXPECT_EQ(Bus->HidBindCount(), 0);
  }
  Bus->SetLibrariesAvailable(true, true);
  MakeController();
  EXPECT_EQ(Controller->HidVersion(), "10.0.19041.1");
  Controller->SetVersion("2.0");
  EXPECT_EQ(Controller->Version(), "1.0.35");
}

TEST_F(ControllerTest, PassesTellArrivalsFromRemovalsAndRecount) {
  auto a = Plug(UnitSetup(u"A"));
  StartWatching();
  Log.Take();
  auto b = Plug(UnitSetup(u"B"));
  Window.Pump();
  EXPECT_EQ(Log.Take(), (std::vector<std::string>{"arrival B", "change"}));
  EXPECT_EQ(ListedIds(), (std::vector<std::uint32_t>{a->DeviceID(), b->DeviceID()}));
  a->Unplug();
  Window.Pump();
  EXPECT_EQ(Log.Take(), (std::vector<std::string>{Removal(a), "change"}));
  EXPECT_EQ(ListedIds(), std::vector<std::uint32_t>{b->DeviceID()});
  EXPECT_EQ(Count(), (Counters{1, 0, 0}));
  Bus->AnnounceDeviceChange();
  Window.Pump();
  EXPECT_TRUE(Log.Take().empty()) << "nothing changed for HID interfaces";
}

TEST_F(ControllerTest, ACheckedOutDeviceKeepsItsObjectAndReaderAcrossPasses) {
  auto a = Plug(UnitSetup(u"A"));
  auto b = Plug(UnitSetup(u"B"));
  StartWatching();
  Controller->SetOnDeviceData([](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
  TJvHidDevice* dev = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(dev, 1));
  const TJvHidDeviceReadThread* reader = dev->DataThread();
  ASSERT_NE(reader, nullptr);
  a->Unplug();
  Window.Pump();
  EXPECT_EQ(Controller->DeviceAt(0), dev) << "moved up by the removed entry";
  EXPECT_EQ(dev->DataThread(), reader);
  EXPECT_TRUE(dev->IsCheckedOut());
  EXPECT_EQ(Count(), (Counters{0, 1, 0}));
}

TEST_F(ControllerTest, AVanishedCheckedOutDeviceStaysListedUnpluggedUntilCheckedIn) {
  auto a = Plug();
  StartWatching();
  Log.Take();
  Controller->SetOnDeviceUnplug([&](TJvHidDevice*) { Log.Lines.push_back("controller unplug"); });
  TJvHidDevice* dev = nullptr;
  ASSERT_TRUE(Controller->CheckOut(dev));
  dev->SetOnUnplug([&](TJvHidDevice* d) { Log.Lines.push_back(d == dev ? "unplug" : "?"); });
  a->Unplug();
  Window.Pump();
  EXPECT_EQ(Log.Take(), (std::vector<std::string>{"unplug", Removal(a), "change"}));
  ASSERT_EQ(Controller->DeviceCount(), 1);
  EXPECT_FALSE(dev->IsPluggedIn());
  EXPECT_EQ(Count(), (Counters{0, 0, 1}));

  Bus->AnnounceDeviceChange();
  Window.Pump();
  EXPECT_EQ(Log.Take(), (std::vector<std::string>{Removal(a), "change"}))
      << "an unplugged entry is removed again at every pass; OnUnplug fires once";

  Controller->CheckIn(dev);
  EXPECT_EQ(dev, nullptr);
  EXPECT_EQ(Controller->DeviceCount(), 0);
  EXPECT_EQ(Count(), (Counters{0, 0, 0}));
}

TEST_F(ControllerTest, EnumerateWalksPluggedEntriesWithOpenableDevices) {
  std::vector<std::shared_ptr<VirtualHidDevice>> units{Plug(UnitSetup(u"A")), Plug(UnitSetup(u"B")),
                                                        Plug(UnitSetup(u"C"))};
  Start();
  std::vector<std::string> seen;
  bool goOn = true;
  Controller->SetOnEnumerate([&](TJvHidDevice* dev, int idx) {
    seen.push_back(std::to_string(idx) + dev->ProductName() + (dev->IsEnumerated() ? "" : "!"));
    if (idx == 1) {
      TJvHidDevice* taken = nullptr;
      EXPECT_TRUE(Controller->CheckOutByIndex(taken, idx));
      EXPECT_TRUE(taken->OpenFile());
    } else {
      EXPECT_TRUE(dev->OpenFile());
    }
    return goOn;
  });
  EXPECT_EQ(Controller->Enumerate(), 3);
  EXPECT_EQ(seen, (std::vector<std::string>{"0A", "1B", "2C"}));
  EXPECT_EQ(units[0]->OpenHandles(), 0u) << "a checked-in entry is closed after its turn";
  EXPECT_EQ(units[1]->OpenHandles(), 1u) << "a checked-out entry keeps its handle";
  EXPECT_EQ(units[2]->OpenHandles(), 0u);
  EXPECT_FALSE(Controller->DeviceAt(0)->IsEnumerated());

  goOn = false;
  seen.clear();
  EXPECT_EQ(Controller->Enumerate(), 1);
  EXPECT_EQ(seen, std::vector<std::string>{"0A"});
}

TEST_F(ControllerTest, CheckOutByIndexRefusesWhatItCannotHandOut) {
  Plug();
  Plug();
  Start();
  TJvHidDevice* first = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(first, 0));
  for (int idx : {-1, 2, 0}) {
    TJvHidDevice* dev = first;  // not none: the call must clear it
    EXPECT_FALSE(Controller->CheckOutByIndex(dev, idx)) << idx;
    EXPECT_EQ(dev, nullptr) << idx;
    EXPECT_EQ(Count(), (Counters{1, 1, 0})) << idx;
  }
}

TEST_F(ControllerTest, TheCheckOutFamilyTakesTheFirstFreeMatch) {
  VirtualHidDeviceSetup mouse = UnitSetup(u"Mouse", 0x046D, 0xC077);
  mouse.Manufacturer = u"Logi";
  mouse.Properties.ClassDescr = "Mouse";
  Plug(mouse);
  Plug(UnitSetup(u"Pendra"));
  Plug(UnitSetup(u"Pendra DUO", 0x0483, 0x1111));
  Start();
  TJvHidDevice* d[4] = {};
  auto at = [&](int i) { return Controller->DeviceAt(i); };

  EXPECT_TRUE(Controller->CheckOutByID(d[0], 0x0483, -1));
  EXPECT_EQ(d[0], at(1));
  EXPECT_TRUE(Controller->CheckOutByID(d[1], 0x0483, -1));
  EXPECT_EQ(d[1], at(2));
  EXPECT_FALSE(Controller->CheckOutByID(d[2], 0x0483, 0x5750)) << "taken";
  EXPECT_FALSE(Controller->CheckOutByID(d[2], 0x10483, -1)) << "compared unsigned, not cut";
  EXPECT_TRUE(Controller->CheckOut(d[2]));
  EXPECT_EQ(d[2], at(0));
  EXPECT_EQ(Count(), (Counters{0, 3, 0}));
  for (auto*& dev : d) Controller->CheckIn(dev);
  EXPECT_EQ(Count(), (Counters{3, 0, 0}));

  // Names compare through the caches: unread while openable, they are empty.
  EXPECT_FALSE(Controller->CheckOutByProductName(d[0], "Pendra"));
  EXPECT_FALSE(Controller->CheckOutByProductName(d[0], ""));
  EXPECT_EQ(Controller->CountByProductName(""), 3);
  Controller->SetOnEnumerate([](TJvHidDevice* dev, int) { return !dev->ProductName().empty(); });
  Controller->Enumerate();
  EXPECT_TRUE(Controller->CheckOutByProductName(d[0], "Pendra"));
  EXPECT_EQ(d[0], at(1));
  EXPECT_FALSE(Controller->CheckOutByVendorName(d[1], "Logi")) << "vendor never read";

  EXPECT_FALSE(Controller->CheckOutByClass(d[1], ""));
  EXPECT_TRUE(Controller->CheckOutByClass(d[1], "HIDClass"));
  EXPECT_EQ(d[1], at(2));

  std::vector<int> asked;
  EXPECT_TRUE(Controller->CheckOutByCallback(d[2], [&](TJvHidDevice* dev) {
    asked.push_back(dev == at(0) ? 0 : 9);
    return dev->IsEnumerated() && dev->VendorName() == "Logi";
  }));
  EXPECT_EQ(asked, std::vector<int>{0}) << "checked-out entries are not asked";
  EXPECT_EQ(d[2], at(0));
  EXPECT_FALSE(Controller->CheckOutByCallback(d[3], [](TJvHidDevice*) { return true; }));
  EXPECT_EQ(d[3], nullptr);
}

TEST_F(ControllerTest, TheCountFamilyCountsPluggedEntriesCheckedOutOrNot) {
  auto gone = Plug(UnitSetup(u"Pendra"));
  Plug(UnitSetup(u"Pendra"));
  Plug(UnitSetup(u"Mouse", 0x046D, 0xC077));
  Start();
  TJvHidDevice* held = nullptr;
  TJvHidDevice* other = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(held, 0));
  ASSERT_TRUE(Controller->CheckOutByIndex(other, 1));
  EXPECT_EQ(other->ProductName(), "Pendra");
  gone->Unplug();
  Window.Pump();
  EXPECT_EQ(Controller->CountByID(0x0483, -1), 1) << "the unplugged entry is not counted";
  EXPECT_EQ(Controller->CountByID(0x046D, 0xC077), 1);
  EXPECT_EQ(Controller->CountByProductName("Pendra"), 1);
  EXPECT_EQ(Controller->CountByClass("HIDClass"), 2);
  int asked = 0;
  EXPECT_EQ(Controller->CountByCallback([&](TJvHidDevice* dev) {
    ++asked;
    return dev->IsEnumerated() && dev->OpenFile();
  }), 2);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(Controller->DeviceAt(2)->HidFileHandle(), nullptr) << "closed after its turn";
  Controller->CheckIn(held);
}

TEST_F(ControllerTest, NewHandlersAndTimingsReachOnlyDevicesStillOnTheOldOnes) {
  auto a = Plug();
  Plug();
  Start();
  int ownCalls = 0;
  TJvHidDataEvent own = [&](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {
    ++ownCalls;
  };
  TJvHidDataEvent first = [](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
  TJvHidDataEvent second = [](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
  TJvHidDevice* dev0 = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(dev0, 0));
  EXPECT_EQ(dev0->DataThread(), nullptr) << "no handler, no reader";
  Controller->SetOnDeviceData(first);
  EXPECT_NE(dev0->DataThread(), nullptr) << "the handler passed on starts the reader";
  TJvHidDevice* dev1 = Controller->DeviceAt(1);
  dev1->SetOnData(own);
  Controller->SetOnDeviceData(second);
  EXPECT_TRUE(dev0->OnData() == second);
  EXPECT_TRUE(dev1->OnData() == own);
  Controller->SetOnDeviceData(nullptr);
  EXPECT_EQ(dev0->DataThread(), nullptr);
  EXPECT_TRUE(dev1->OnData() == own);

  dev1->SetThreadSleepTime(500);
  Controller->SetDevThreadSleepTime(40);
  EXPECT_EQ(dev0->ThreadSleepTime(), 40u);
  EXPECT_EQ(dev1->ThreadSleepTime(), 500u);
  Controller->SetDevThreadSleepTime(5);  // stored as given, refused by the device
  EXPECT_EQ(Controller->DevThreadSleepTime(), 5u);
  EXPECT_EQ(dev0->ThreadSleepTime(), 40u);
  Controller->SetDevPollingDelayTime(20);
  EXPECT_EQ(dev0->PollingDelayTime(), 20u);
  EXPECT_EQ(ownCalls, 0);
}

TEST_F(ControllerTest, ADeviceThatCannotBeMadeIsDecidedByOnDeviceCreateError) {
  enum class Handler { None, Skip, Retry };
  for (Handler handler : {Handler::None, Handler::Skip, Handler::Retry}) {
    SCOPED_TRACE(static_cast<int>(handler));
    Controller.reset();
    for (auto& d : Bus->Devices()) d->Unplug();
    auto good = Plug(UnitSetup(u"A"));
    StartWatching();
    Log.Take();
    VirtualHidDeviceSetup badSetup = UnitSetup(u"B");
    badSetup.Faults.CannotIdentify = true;
    auto bad = Plug(badSetup);
    auto late = Plug(UnitSetup(u"C"));
    TJvHidDeviceController* made = Controller.get();

    std::vector<const TJvHidPnPInfo*> records;
    if (handler != Handler::None) {
      Controller->SetOnDeviceCreateError(
          [&](TJvHidDeviceController* c, const TJvHidPnPInfo* info, bool& handled, bool& retry) {
            EXPECT_EQ(c, made);
            EXPECT_EQ(info->DeviceID(), bad->DeviceID());
            records.push_back(info);
            handled = true;
            retry = handler == Handler::Retry;
            if (retry) bad->SetFaults({});  // the next attempt works
          });
    }
    Window.Pump();
    switch (handler) {
      case Handler::None:
        // One pass per plug; each one fails the same way.
        EXPECT_EQ(Window.TakeErrors(),
                  std::vector<std::string>(2, "Device cannot be identified"));
        EXPECT_EQ(ListedIds(), std::vector<std::uint32_t>{good->DeviceID()}) << "list as it was";
        EXPECT_TRUE(Log.Take().empty());
        EXPECT_FALSE(Controller->InDeviceChange());
        break;
      case Handler::Skip:
        EXPECT_TRUE(Window.TakeErrors().empty());
        EXPECT_EQ(ListedIds(), (std::vector<std::uint32_t>{good->DeviceID(), late->DeviceID()}));
        EXPECT_EQ(records.size(), 2u) << "asked again at every pass";
        break;
      case Handler::Retry:
        EXPECT_TRUE(Window.TakeErrors().empty());
        EXPECT_EQ(ListedIds(), (std::vector<std::uint32_t>{good->DeviceID(), bad->DeviceID(),
                                                           late->DeviceID()}));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(&Controller->DeviceAt(1)->PnPInfo(), records[0])
            << "the record survived the failed attempt";
        break;
    }
    Controller.reset();  // before the handler's captures go
  }
}

TEST_F(ControllerTest, TheControllerKeepsWhyADeviceCouldNotBeOpened) {
  VirtualHidDeviceSetup setup = UnitSetup();
  setup.Faults.Open = platform::VirtualOpen::Refused;
  auto refused = Plug(setup);
  MakeController();
  EXPECT_FALSE(Controller->LastCreateError().Failed());
  Controller->SetOnDeviceCreateError(
      [](TJvHidDeviceController*, const TJvHidPnPInfo*, bool& handled, bool&) { handled = true; });
  Window.Pump();
  const platform::OpenError& why = Controller->LastCreateError();
  EXPECT_EQ(why.Code, 32u);
  EXPECT_EQ(why.Path, refused->DevicePath());
  EXPECT_EQ(why.Message(), "open " + refused->DevicePath() + ": in use by another process");
  EXPECT_EQ(Controller->DeviceCount(), 0);
}

TEST_F(ControllerTest, AChangeNoticedWhileAPassRunsGetsAPassOfItsOwn) {
  Plug(UnitSetup(u"A"));
  MakeController();
  std::shared_ptr<VirtualHidDevice> late;
  Controller->BeginLoading();
  Controller->SetOnDeviceChange([&](TJvHidDeviceController* c) {
    if (late) return;
    EXPECT_TRUE(c->InDeviceChange());
    late = Plug(UnitSetup(u"B"));
    Window.Pump();  // a handler running the event loop: the trigger comes in now
  });
  Controller->EndLoading();
  Window.Pump();
  ASSERT_TRUE(late);
  EXPECT_EQ(Controller->DeviceCount(), 1) << "no nested pass";
  Window.Pump();
  EXPECT_EQ(Controller->DeviceCount(), 2);
  EXPECT_NE(EntryOf(late), nullptr);
}

TEST_F(ControllerTest, DestructionStopsReadersAndFiresOnlyADevicesOwnOnUnplug) {
  auto a = Plug(UnitSetup(u"A"));
  auto b = Plug(UnitSetup(u"B"));
  auto c = Plug(UnitSetup(u"C"));
  StartWatching();
  Log.Take();
  Controller->SetOnDeviceData([](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
  Controller->SetOnDeviceUnplug([&](TJvHidDevice*) { Log.Lines.push_back("controller unplug"); });
  TJvHidDevice* own = nullptr;
  TJvHidDevice* shared = nullptr;
  ASSERT_TRUE(Controller->CheckOutByIndex(own, 0));
  ASSERT_TRUE(Controller->CheckOutByIndex(shared, 1));
  own->SetOnUnplug([&](TJvHidDevice*) { Log.Lines.push_back("own unplug"); });
  ASSERT_TRUE(PumpUntil([&] { return a->ReadPending() && b->ReadPending(); }));
  EXPECT_EQ(Bus->HidBindCount(), 1);

  Controller.reset();
  EXPECT_EQ(Log.Take(), std::vector<std::string>{"own unplug"})
      << "the last pass fires no OnDeviceChange; the controller's OnUnplug was cleared first";
  for (const auto& unit : {a, b, c}) {
    EXPECT_EQ(unit->OpenHandles(), 0u);
    EXPECT_FALSE(unit->ReadPending());
  }
  EXPECT_EQ(Bus->HidBindCount(), 0);
  EXPECT_EQ(Bus->SetupBindCount(), 0);
  Window.Pump();  // hand-over wake-ups already served while the readers stopped
  Plug();
  EXPECT_EQ(Window.PendingPosts(), 0u) << "nobody listens for device changes any more";
}

}  // namespace
}  // namespace ombrel::test
