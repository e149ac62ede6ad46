#include "hid/hid_controller.h"

#include <algorithm>
#include <utility>

#include "hid/platform/unbound_platform.h"

namespace plat = ombrel::platform;

namespace {
// Marks a device as walked by a controller callback for as long as the
// callback runs, so the callback may open it.
class Enumerating {
 public:
  explicit Enumerating(std::atomic<bool>& flag) : FFlag(flag) { FFlag = true; }
  ~Enumerating() { FFlag = false; }
  Enumerating(const Enumerating&) = delete;
  Enumerating& operator=(const Enumerating&) = delete;

 private:
  std::atomic<bool>& FFlag;
};
}  // namespace

TJvHidDeviceController::TJvHidDeviceController(std::shared_ptr<plat::HidPlatform> Platform,
                                               ombrel::WindowThread& Window)
    : TJvHidDeviceController(std::move(Platform), Window, nullptr, nullptr) {}

TJvHidDeviceController::TJvHidDeviceController(std::shared_ptr<plat::HidPlatform> Platform,
                                               ombrel::WindowThread& Window,
                                               TJvHidDeviceCreateError AOnHidCtlDeviceCreateError,
                                               TJvHidNotifyEvent AOnDeviceChange)
    : FPlatform(Platform ? std::move(Platform) : std::make_shared<plat::UnboundHidPlatform>()),
      FWindow(Window),
      FAlive(std::make_shared<Alive>(Alive{this})) {
  FSetupBound = FPlatform->BindSetupLibrary();
  if (FSetupBound) FHidBound = FPlatform->BindHidLibrary();
  try {
    // The class is not known yet: a pass run from here lists nothing.
    SetOnDeviceChange(std::move(AOnDeviceChange));
    FOnDeviceCreateError = std::move(AOnHidCtlDeviceCreateError);
    if (FHidBound) {
      FHidGuid = FPlatform->GetHidGuid();
      std::weak_ptr<Alive> alive = FAlive;
      ombrel::WindowThread* window = &FWindow;
      FHWnd = FPlatform->WatchDeviceChanges([alive, window] {
        window->Post([alive] {
          if (auto a = alive.lock())
            a->Controller->HandleDeviceChangeMessage(plat::kWmDeviceChange,
                                                     plat::kDbtDevnodesChanged, 0);
        });
      });
      PostDeviceChange(-1);
    } else {
      FHidGuid = plat::kHidInterfaceClassGuid;
    }
  } catch (...) {
    FHWnd.reset();
    FList.clear();
    if (FHidBound) FPlatform->UnbindHidLibrary();
    if (FSetupBound) FPlatform->UnbindSetupLibrary();
    throw;
  }
}

TJvHidDeviceController::~TJvHidDeviceController() {
  FDestroying = true;
  // A destructor can't pass an error on; a device that can't be made in
  // this last pass is simply not listed.
  try {
    SetOnDeviceChange(nullptr);
  } catch (...) {
  }
  SetOnDeviceUnplug(nullptr);
  FOnEnumerate = nullptr;
  FHWnd.reset();
  FAlive.reset();
  for (auto& device : FList) {
    device->FMyController = nullptr;
    if (device->IsCheckedOut()) {
      try {
        device->MarkUnplugged();
      } catch (...) {
      }
    }
    device->ShutDown();
  }
  FList.clear();
  if (FHidBound) FPlatform->UnbindHidLibrary();
  if (FSetupBound) FPlatform->UnbindSetupLibrary();
}

void TJvHidDeviceController::PostDeviceChange(std::intptr_t LParam) {
  std::weak_ptr<Alive> alive = FAlive;
  FWindow.Post([alive, LParam] {
    if (auto a = alive.lock())
      a->Controller->HandleDeviceChangeMessage(plat::kWmDeviceChange, plat::kDbtDevnodesChanged,
                                               LParam);
  });
}

void TJvHidDeviceController::HandleDeviceChangeMessage(std::uint32_t Msg, std::uintptr_t WParam,
                                                       std::intptr_t LParam) {
  if (FDestroying || Msg != plat::kWmDeviceChange || WParam != plat::kDbtDevnodesChanged) return;
  if (FInDeviceChange) {
    // A pass runs (a handler is pumping messages): the change it may have
    // missed gets a pass of its own once this one has ended.
    FMissedDeviceChange = true;
    return;
  }
  FLParam = LParam;
  FInDeviceChange = true;
  auto ended = [this] {
    FInDeviceChange = false;
    if (std::exchange(FMissedDeviceChange, false)) PostDeviceChange(0);
  };
  try {
    DeviceChange();
  } catch (...) {
    ended();
    throw;
  }
  ended();
}

std::unique_ptr<TJvHidDevice> TJvHidDeviceController::ConstructDevice(
    std::unique_ptr<TJvHidPnPInfo>& PnPInfo) {
  for (;;) {
    try {
      return TJvHidDevice::CreateForController(PnPInfo, this);
    } catch (const EControllerError& error) {
      // Pulled out while the pass read it: no error of the device, and the
      // pass after this one finds the list as it has become.
      if (!FPlatform->InterfacePresent(FHidGuid, PnPInfo->DeviceID(), PnPInfo->DevicePath())) {
        FLeftOutGone = true;
        return nullptr;
      }
      FLastCreateError = error.Why();
      if (!FOnDeviceCreateError) throw;
      bool handled = false;
      bool retry = false;
      FOnDeviceCreateError(this, PnPInfo.get(), handled, retry);
      if (!handled) throw;
      if (!retry) return nullptr;
      // The record stayed with us through the failed attempt: try again.
    }
  }
}

std::vector<std::unique_ptr<TJvHidDevice>> TJvHidDeviceController::CollectPresentDevices() {
  std::vector<std::unique_ptr<TJvHidDevice>> found;
  if (!FHidBound) return found;
  auto present = FPlatform->ListInterfaces(FHidGuid);
  if (!present) return found;
  for (const plat::HidInterface& iface : *present) {
    auto info = std::make_unique<TJvHidPnPInfo>(iface);
    if (auto device = ConstructDevice(info)) found.push_back(std::move(device));
  }
  return found;
}

void TJvHidDeviceController::DeviceChange() {
  bool changed = FLParam == -1;
  FLeftOutGone = false;
  std::vector<std::unique_ptr<TJvHidDevice>> found = CollectPresentDevices();
  // An interface that went while being listed may have been half gone: one
  // more pass sees it whole or not at all. A few in a row at most, should
  // an interface keep being listed that is never whole.
  if (!FLeftOutGone)
    FFollowUpPasses = 0;
  else if (!FDestroying && FFollowUpPasses < kMaxFollowUpPasses) {
    ++FFollowUpPasses;
    PostDeviceChange(0);
  }

  // Removals, from the last entry to the first.
  for (std::size_t i = FList.size(); i-- > 0;) {
    if (i >= FList.size()) continue;  // a handler took entries away
    TJvHidDevice* device = FList[i].get();
    std::uint32_t id = device->PnPInfo().DeviceID();
    bool present = device->IsPluggedIn() &&
                   std::any_of(found.begin(), found.end(),
                               [id](const auto& d) { return d->PnPInfo().DeviceID() == id; });
    if (present) continue;
    device->MarkUnplugged();
    if (FOnRemoval) {
      Enumerating walked(device->FIsEnumerated);
      FOnRemoval(device);
    }
    if (i < FList.size() && FList[i].get() == device && !device->IsCheckedOut()) {
      std::unique_ptr<TJvHidDevice> gone = std::move(FList[i]);
      FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(i));
      gone->Free();  // no longer listed: only shuts down
    }
    changed = true;
  }

  // Duplicates: interfaces already listed keep their object.
  std::erase_if(found, [this](std::unique_ptr<TJvHidDevice>& candidate) {
    std::uint32_t id = candidate->PnPInfo().DeviceID();
    bool listed = std::any_of(FList.begin(), FList.end(), [id](const auto& d) {
      return d->IsPluggedIn() && d->PnPInfo().DeviceID() == id;
    });
    if (listed) candidate->FMyController = nullptr;
    return listed;
  });

  // Arrivals, in the order found.
  for (auto& arrived : found) {
    FList.push_back(std::move(arrived));
    changed = true;
    TJvHidDevice* device = FList.back().get();
    if (FOnArrival) {
      Enumerating walked(device->FIsEnumerated);
      FOnArrival(device);
    }
  }

  FNumCheckedInDevices = 0;
  FNumUnpluggedDevices = 0;
  int checkedOut = 0;
  for (const auto& device : FList) {
    if (device->IsCheckedOut())
      ++checkedOut;
    else
      ++FNumCheckedInDevices;
    if (!device->IsPluggedIn()) ++FNumUnpluggedDevices;
  }
  FNumCheckedOutDevices = checkedOut - FNumUnpluggedDevices;

  if (changed && FOnDeviceChange) FOnDeviceChange(this);
}

int TJvHidDeviceController::Enumerate() {
  const std::size_t count = FList.size();
  int result = 0;
  for (std::size_t i = 0; i < count && i < FList.size(); ++i) {
    TJvHidDevice* device = FList[i].get();
    if (!device->IsPluggedIn()) continue;
    ++result;
    if (!FOnEnumerate) break;
    bool goOn;
    {
      Enumerating walked(device->FIsEnumerated);
      goOn = FOnEnumerate(device, static_cast<int>(i));
    }
    if (i < FList.size() && FList[i].get() == device && !device->IsCheckedOut())
      device->CloseAllHandles();
    if (!goOn) break;
  }
  return result;
}

TJvHidDevice* TJvHidDeviceController::DeviceAt(int Idx) const {
  if (Idx < 0 || Idx >= DeviceCount()) return nullptr;
  return FList[static_cast<std::size_t>(Idx)].get();
}

bool TJvHidDeviceController::CheckOutAt(int Idx, TJvHidDevice*& HidDev) {
  TJvHidDevice* device = FList[static_cast<std::size_t>(Idx)].get();
  if (device->IsCheckedOut()) return false;
  HidDev = device;
  device->FIsCheckedOut = true;
  ++FNumCheckedOutDevices;
  --FNumCheckedInDevices;
  device->StartReader();
  return true;
}

template <class Condition>
bool TJvHidDeviceController::CheckOutFirst(TJvHidDevice*& HidDev, Condition&& Holds) {
  HidDev = nullptr;
  for (int i = 0; i < DeviceCount(); ++i) {
    TJvHidDevice* device = FList[static_cast<std::size_t>(i)].get();
    if (!device->IsCheckedOut() && Holds(device)) return CheckOutAt(i, HidDev);
  }
  return false;
}

bool TJvHidDeviceController::SameId(const THIDDAttributes& Attributes, int Vid, int Pid) {
  return Attributes.VendorID == static_cast<std::uint32_t>(Vid) &&
         (Pid == -1 || Attributes.ProductID == static_cast<std::uint32_t>(Pid));
}

bool TJvHidDeviceController::CheckOut(TJvHidDevice*& HidDev) {
  return CheckOutFirst(HidDev, [](TJvHidDevice*) { return true; });
}

bool TJvHidDeviceController::CheckOutByID(TJvHidDevice*& HidDev, int Vid, int Pid) {
  return CheckOutFirst(HidDev,
                       [&](TJvHidDevice* d) { return SameId(d->Attributes(), Vid, Pid); });
}

bool TJvHidDeviceController::CheckOutByIndex(TJvHidDevice*& HidDev, int Idx) {
  HidDev = nullptr;
  if (Idx < 0 || Idx >= DeviceCount()) return false;
  return CheckOutAt(Idx, HidDev);
}

bool TJvHidDeviceController::CheckOutByProductName(TJvHidDevice*& HidDev,
                                                   const std::string& ProductName) {
  HidDev = nullptr;
  if (ProductName.empty()) return false;
  return CheckOutFirst(HidDev, [&](TJvHidDevice* d) { return d->ProductName() == ProductName; });
}

bool TJvHidDeviceController::CheckOutByVendorName(TJvHidDevice*& HidDev,
                                                  const std::string& VendorName) {
  HidDev = nullptr;
  if (VendorName.empty()) return false;
  return CheckOutFirst(HidDev, [&](TJvHidDevice* d) { return d->VendorName() == VendorName; });
}

bool TJvHidDeviceController::CheckOutByClass(TJvHidDevice*& HidDev,
                                             const std::string& ClassName) {
  HidDev = nullptr;
  if (ClassName.empty()) return false;
  return CheckOutFirst(HidDev,
                       [&](TJvHidDevice* d) { return d->PnPInfo().ClassDescr() == ClassName; });
}

bool TJvHidDeviceController::CheckOutByCallback(TJvHidDevice*& HidDev,
                                                const TJvHidCheckCallback& Check) {
  HidDev = nullptr;
  if (!Check) return false;
  for (int i = 0; i < DeviceCount(); ++i) {
    TJvHidDevice* device = FList[static_cast<std::size_t>(i)].get();
    if (device->IsCheckedOut()) continue;
    bool take;
    {
      Enumerating walked(device->FIsEnumerated);
      take = Check(device);
    }
    if (i >= DeviceCount() || FList[static_cast<std::size_t>(i)].get() != device) return false;
    if (take) return CheckOutAt(i, HidDev);
    device->CloseAllHandles();
  }
  return false;
}

void TJvHidDeviceController::CheckIn(TJvHidDevice*& HidDev) {
  if (!HidDev) return;
  TJvHidDevice* device = HidDev;
  device->StopReader();
  device->CloseAllHandles();
  if (device->IsPluggedIn()) {
    // Checking in what is not checked out must not skew the counters.
    if (device->IsCheckedOut()) {
      device->FIsCheckedOut = false;
      --FNumCheckedOutDevices;
      ++FNumCheckedInDevices;
    }
  } else {
    device->Free();
  }
  HidDev = nullptr;
}

template <class Condition>
int TJvHidDeviceController::CountPlugged(Condition&& Holds) {
  int count = 0;
  for (int i = 0; i < DeviceCount(); ++i) {
    TJvHidDevice* device = FList[static_cast<std::size_t>(i)].get();
    if (device->IsPluggedIn() && Holds(device)) ++count;
  }
  return count;
}

int TJvHidDeviceController::CountByID(int Vid, int Pid) {
  return CountPlugged([&](TJvHidDevice* d) { return SameId(d->Attributes(), Vid, Pid); });
}

int TJvHidDeviceController::CountByProductName(const std::string& ProductName) {
  return CountPlugged([&](TJvHidDevice* d) { return d->ProductName() == ProductName; });
}

int TJvHidDeviceController::CountByVendorName(const std::string& VendorName) {
  return CountPlugged([&](TJvHidDevice* d) { return d->VendorName() == VendorName; });
}

int TJvHidDeviceController::CountByClass(const std::string& ClassName) {
  return CountPlugged([&](TJvHidDevice* d) { return d->PnPInfo().ClassDescr() == ClassName; });
}

int TJvHidDeviceController::CountByCallback(const TJvHidCheckCallback& Check) {
  if (!Check) return 0;
  return CountPlugged([&](TJvHidDevice* d) {
    bool holds;
    {
      Enumerating walked(d->FIsEnumerated);
      holds = Check(d);
    }
    if (!d->IsCheckedOut()) d->CloseAllHandles();
    return holds;
  });
}

std::string TJvHidDeviceController::HidVersion() const { return FPlatform->HidVersion(); }

void TJvHidDeviceController::SetOnDeviceChange(TJvHidNotifyEvent Value) {
  if (Value == FOnDeviceChange) return;
  FOnDeviceChange = std::move(Value);
  if (!FLoading) DeviceChange();
}

void TJvHidDeviceController::SetOnDeviceData(TJvHidDataEvent Value) {
  if (Value == FOnDeviceData) return;
  for (int i = 0; i < DeviceCount(); ++i) {
    TJvHidDevice* device = FList[static_cast<std::size_t>(i)].get();
    if (device->OnData() == FOnDeviceData) device->SetOnData(Value);
  }
  FOnDeviceData = std::move(Value);
}

void TJvHidDeviceController::SetOnDeviceDataError(TJvHidDataErrorEvent Value) {
  if (Value == FOnDeviceDataError) return;
  for (auto& device : FList)
    if (device->OnDataError() == FOnDeviceDataError) device->SetOnDataError(Value);
  FOnDeviceDataError = std::move(Value);
}

void TJvHidDeviceController::SetOnDeviceUnplug(TJvHidPlugEvent Value) {
  if (Value == FOnDeviceUnplug) return;
  for (auto& device : FList)
    if (device->OnUnplug() == FOnDeviceUnplug) device->SetOnUnplug(Value);
  FOnDeviceUnplug = std::move(Value);
}

void TJvHidDeviceController::SetDevPollingDelayTime(std::int64_t Value) {
  auto stored = static_cast<std::uint32_t>(Value);
  if (stored == FDevPollingDelayTime) return;
  for (auto& device : FList)
    if (device->PollingDelayTime() == FDevPollingDelayTime) device->SetPollingDelayTime(Value);
  FDevPollingDelayTime = stored;
}

void TJvHidDeviceController::SetDevThreadSleepTime(std::int64_t Value) {
  auto stored = static_cast<std::uint32_t>(Value);
  if (stored == FDevThreadSleepTime) return;
  for (auto& device : FList)
    if (device->ThreadSleepTime() == FDevThreadSleepTime) device->SetThreadSleepTime(Value);
  FDevThreadSleepTime = stored;
}

void TJvHidDeviceController::ReleaseListed(TJvHidDevice* Device,
                                           TJvHidDevice::Remembered Remembered) {
  auto it = std::find_if(FList.begin(), FList.end(),
                         [Device](const auto& d) { return d.get() == Device; });
  if (it == FList.end()) return;
  std::unique_ptr<TJvHidDevice> released;  // frees the device when this returns
  if (Device->IsPluggedIn()) {
    std::unique_ptr<TJvHidDevice> fresh;
    try {
      fresh = TJvHidDevice::CreateForController(Device->FPnPInfo, this);
    } catch (const EControllerError&) {
      // The record stays with the released object and goes with it.
    }
    bool wasCheckedOut = Device->IsCheckedOut();
    if (fresh) {
      fresh->SetOnData(std::move(Remembered.OnData));
      fresh->SetOnUnplug(std::move(Remembered.OnUnplug));
      fresh->SetPollingDelayTime(Device->PollingDelayTime());
      fresh->SetThreadSleepTime(Device->ThreadSleepTime());
      released = std::exchange(*it, std::move(fresh));
      if (wasCheckedOut) {
        --FNumCheckedOutDevices;
        ++FNumCheckedInDevices;
      }
    } else {
      released = std::move(*it);
      FList.erase(it);
      if (wasCheckedOut)
        --FNumCheckedOutDevices;
      else
        --FNumCheckedInDevices;
    }
  } else {
    released = std::move(*it);
    FList.erase(it);
    --FNumUnpluggedDevices;
  }
}
