#include "hid/platform/virtual_bus.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "hid/platform/language_names.h"
#include "hid/platform/overlapped_io.h"

namespace ombrel::platform {

struct VirtualBusState {
  std::mutex Lock;
  // Woken by everything a waiting reader may be waiting for: a report, a
  // close, an unplug, a cancel, a finished write.
  std::condition_variable_any Changed;
  std::vector<std::shared_ptr<VirtualHidDevice>> Devices;  // plugged, in plug order
  std::uint32_t NextDeviceID = 1;
  bool SetupAvailable = true;
  bool HidAvailable = true;
  std::string HidVersion;

  // Held while the callbacks run, so an unsubscription returns only once
  // its callback can no longer run.
  std::mutex WatchersLock;
  std::map<std::uint64_t, std::function<void()>> Watchers;
  std::uint64_t NextWatcher = 1;

  void Announce() {
    std::lock_guard lock(WatchersLock);
    for (auto& [id, changed] : Watchers) changed();
  }
};

namespace {

std::string FormatPath(std::uint32_t id, const HidAttributes& attributes) {
  char path[128];
  std::snprintf(path, sizeof path,
                "\\\\?\\hid#vid_%04x&pid_%04x#virtual&%08x#"
                "{4d1e55b2-f16f-11cf-88cb-001111000030}",
                attributes.VendorID, attributes.ProductID, id);
  return path;
}

void FillHidProperties(DeviceSetupProperties& p, const HidAttributes& a) {
  if (p.ClassDescr.empty()) p.ClassDescr = "HIDClass";
  if (p.ClassGUID.empty()) p.ClassGUID = "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";
  if (p.DeviceDescr.empty()) p.DeviceDescr = "HID-compliant device";
  if (p.EnumeratorName.empty()) p.EnumeratorName = "HID";
  if (p.HardwareID.empty()) {
    char rev[64], plain[64];
    std::snprintf(rev, sizeof rev, "HID\\VID_%04X&PID_%04X&REV_%04X", a.VendorID, a.ProductID,
                  a.VersionNumber);
    std::snprintf(plain, sizeof plain, "HID\\VID_%04X&PID_%04X", a.VendorID, a.ProductID);
    p.HardwareID = {rev, plain};
  }
}

bool CopyString(const std::optional<std::u16string>& text, std::span<char16_t> buffer) {
  if (!text) return Fail(kErrorGenFailure);
  std::size_t n = std::min(text->size(), buffer.size());
  std::copy_n(text->begin(), n, buffer.begin());
  if (n < buffer.size()) buffer[n] = u'\0';
  return true;
}

class VirtualPreparsedData final : public PreparsedData {
 public:
  explicit VirtualPreparsedData(const HidCaps& caps) : FCaps(caps) {}
  HidStatus GetCaps(HidCaps& caps) const override {
    caps = FCaps;
    return kHidpStatusSuccess;
  }

 private:
  HidCaps FCaps;
};

class VirtualSubscription final : public DeviceChangeSubscription {
 public:
  VirtualSubscription(std::shared_ptr<VirtualBusState> state, std::uint64_t id)
      : FState(std::move(state)), FId(id) {}
  ~VirtualSubscription() override {
    std::lock_guard lock(FState->WatchersLock);
    FState->Watchers.erase(FId);
  }

 private:
  std::shared_ptr<VirtualBusState> FState;
  std::uint64_t FId;
};

}  // namespace

HidCaps MakeVirtualCaps(std::uint16_t inputReportLength, std::uint16_t outputReportLength,
                        std::uint16_t featureReportLength) {
  HidCaps caps;
  caps.Usage = 0x01;
  caps.UsagePage = 0xFF00;
  caps.InputReportByteLength = inputReportLength;
  caps.OutputReportByteLength = outputReportLength;
  caps.FeatureReportByteLength = featureReportLength;
  caps.NumberLinkCollectionNodes = 1;
  caps.NumberInputValueCaps = inputReportLength > 0 ? 1 : 0;
  caps.NumberOutputValueCaps = outputReportLength > 0 ? 1 : 0;
  return caps;
}

// ---------------------------------------------------------------------------
// One open handle. All its state is guarded by the bus lock.
class VirtualHidHandle final : public HidHandle {
 public:
  VirtualHidHandle(std::shared_ptr<VirtualHidDevice> device, HidAccess access, bool overlapped)
      : FDevice(std::move(device)), FBus(FDevice->FBus), FAccess(access),
        FOverlapped(overlapped) {}

  ~VirtualHidHandle() override {
    std::lock_guard lock(FBus->Lock);
    CloseLocked();
    // The last owner is gone: nobody will wait for a read still pending.
    if (FReadActive) EndRead();
  }

  void Close() override {
    std::lock_guard lock(FBus->Lock);
    CloseLocked();
  }

  bool GetAttributes(HidAttributes& attributes) override {
    std::lock_guard lock(FBus->Lock);
    if (!Usable()) return false;
    if (FDevice->FSetup.Faults.CannotIdentify) return Fail(kErrorGenFailure);
    attributes = FDevice->FSetup.Attributes;
    attributes.Size = sizeof(HidAttributes);
    return true;
  }

  std::shared_ptr<const PreparsedData> GetPreparsedData() override {
    std::lock_guard lock(FBus->Lock);
    if (!Usable()) return nullptr;
    if (!FDevice->FSetup.HasPreparsedData) {
      SetLastError(kErrorGenFailure);
      return nullptr;
    }
    return std::make_shared<VirtualPreparsedData>(FDevice->FSetup.Caps);
  }

  bool GetProductString(std::span<char16_t> buffer) override {
    std::lock_guard lock(FBus->Lock);
    return Usable() && CopyString(FDevice->FSetup.Product, buffer);
  }
  bool GetManufacturerString(std::span<char16_t> buffer) override {
    std::lock_guard lock(FBus->Lock);
    return Usable() && CopyString(FDevice->FSetup.Manufacturer, buffer);
  }
  bool GetSerialNumberString(std::span<char16_t> buffer) override {
    std::lock_guard lock(FBus->Lock);
    return Usable() && CopyString(FDevice->FSetup.SerialNumber, buffer);
  }
  bool GetIndexedString(std::uint32_t index, std::span<char16_t> buffer) override {
    std::lock_guard lock(FBus->Lock);
    if (!Usable()) return false;
    const VirtualHidDeviceSetup& setup = FDevice->FSetup;
    if (index == 0) {
      if (!setup.LanguageIds) return Fail(kErrorGenFailure);
      std::u16string ids(setup.LanguageIds->begin(), setup.LanguageIds->end());
      return CopyString(ids, buffer);
    }
    auto it = setup.IndexedStrings.find(index);
    if (it == setup.IndexedStrings.end()) return Fail(kErrorGenFailure);
    return CopyString(it->second, buffer);
  }

  bool SetNumInputBuffers(std::uint32_t count) override {
    std::lock_guard lock(FBus->Lock);
    if (!Usable()) return false;
    if (count < 2 || count > 512) return Fail(kErrorInvalidParameter);
    FDevice->FNumInputBuffers = count;
    auto& queue = FDevice->FInput;
    if (queue.size() > count) queue.erase(queue.begin(), queue.end() - count);
    return true;
  }
  bool GetNumInputBuffers(std::uint32_t& count) override {
    std::lock_guard lock(FBus->Lock);
    if (!Usable()) return false;
    count = FDevice->FNumInputBuffers;
    return true;
  }

  bool Write(std::span<const std::uint8_t> report, std::uint32_t& written) override {
    written = 0;
    OutputReportHandler handler;
    {
      std::lock_guard lock(FBus->Lock);
      if (!AcceptWrite(report)) return false;
      written = static_cast<std::uint32_t>(report.size());
      handler = FDevice->FSetup.OnOutputReport;
    }
    if (handler) handler(*FDevice, report);
    return true;
  }

  bool Read(std::span<std::uint8_t> report, std::uint32_t& read) override {
    read = 0;
    std::unique_lock lock(FBus->Lock);
    if (!CanStartRead(report)) return false;
    FBus->Changed.wait(lock, [&] { return FClosed || !FDevice->FPlugged || !FDevice->FInput.empty(); });
    if (FClosed) return Fail(kErrorOperationAborted);
    if (!FDevice->FPlugged) return Fail(kErrorDeviceNotConnected);
    read = TakeReport(report);
    return true;
  }

  bool StartRead(std::span<std::uint8_t> buffer, IoCompletion completion) override {
    std::lock_guard lock(FBus->Lock);
    if (!FOverlapped) return Fail(kErrorInvalidParameter);
    if (FReadActive) return Fail(kErrorInvalidParameter);
    if (!CanStartRead(buffer)) return false;
    FReadActive = true;
    FReadBuffer = buffer;
    FReadCompletion = std::move(completion);
    FLastRead = {};
    ++FDevice->FPendingReads;
    return true;
  }

  bool StartWrite(std::span<const std::uint8_t> report, IoCompletion completion) override {
    OutputReportHandler handler;
    {
      std::lock_guard lock(FBus->Lock);
      if (!FOverlapped) return Fail(kErrorInvalidParameter);
      if (!AcceptWrite(report)) return false;
      auto bytes = static_cast<std::uint32_t>(report.size());
      FLastWrite = {true, bytes, kErrorSuccess};
      FDueCompletions.push_back({std::move(completion), kErrorSuccess, bytes});
      handler = FDevice->FSetup.OnOutputReport;
      FBus->Changed.notify_all();
    }
    if (handler) handler(*FDevice, report);
    return true;
  }

  WaitOutcome WaitForCompletion(std::uint32_t milliseconds, std::stop_token stop) override {
    std::vector<Finished> finished;
    {
      std::unique_lock lock(FBus->Lock);
      FDevice->FLastWait = milliseconds;
      auto ready = [&] { return !FDueCompletions.empty() || ReadReady(); };
      if (!FBus->Changed.wait_for(lock, stop, std::chrono::milliseconds(milliseconds), ready))
        return stop.stop_requested() ? WaitOutcome::Stopped : WaitOutcome::TimedOut;
      if (ReadReady()) finished.push_back(CompleteRead());
      for (auto& due : FDueCompletions) finished.push_back(std::move(due));
      FDueCompletions.clear();
    }
    for (auto& f : finished)
      if (f.Completion) f.Completion(f.Error, f.Bytes);
    return WaitOutcome::IoCompletion;
  }

  bool GetOverlappedResult(bool read, std::uint32_t& bytes) override {
    bytes = 0;
    std::lock_guard lock(FBus->Lock);
    if (FClosed) return Fail(kErrorInvalidHandle);
    return (read ? FLastRead : FLastWrite).Report(bytes);
  }

  bool CancelIo() override {
    std::lock_guard lock(FBus->Lock);
    if (FClosed) return Fail(kErrorInvalidHandle);
    FDueCompletions.clear();
    // A cancelled read still completes: its completion runs at the next
    // wait, which so ends. The buffer is let go of here and now.
    if (FReadActive) {
      FDueCompletions.push_back({std::move(FReadCompletion), kErrorOperationAborted, 0});
      FReadCompletion = nullptr;
      EndRead();
      FLastRead = {true, 0, kErrorOperationAborted};
    }
    FBus->Changed.notify_all();
    return true;
  }

  bool FlushQueue() override {
    std::lock_guard lock(FBus->Lock);
    if (!Usable()) return false;
    FDevice->FInput.clear();
    return true;
  }

  bool SetOutputReport(std::span<const std::uint8_t> report) override {
    OutputReportHandler handler;
    {
      std::lock_guard lock(FBus->Lock);
      if (!Usable()) return false;
      if (report.empty()) return Fail(kErrorInvalidParameter);
      if (FDevice->FSetup.Faults.WriteFails) return Fail(FDevice->FSetup.Faults.WriteError);
      FDevice->FOutput.emplace_back(report.begin(), report.end());
      handler = FDevice->FSetup.OnOutputReport;
    }
    if (handler) handler(*FDevice, report);
    return true;
  }

  bool GetPhysicalDescriptor(std::span<std::uint8_t> buffer) override {
    std::lock_guard lock(FBus->Lock);
    if (!Usable()) return false;
    const auto& descriptor = FDevice->FSetup.PhysicalDescriptor;
    if (descriptor.empty()) return Fail(kErrorNotSupported);
    if (buffer.size() < descriptor.size()) return Fail(kErrorInsufficientBuffer);
    std::copy(descriptor.begin(), descriptor.end(), buffer.begin());
    return true;
  }

 private:
  using Result = OverlappedResult;
  using Finished = FinishedIo;

  void CloseLocked() {
    if (FClosed) return;
    FClosed = true;
    --FDevice->FOpenHandles;
    FBus->Changed.notify_all();
  }

  bool Usable() const {
    if (FClosed) return Fail(kErrorInvalidHandle);
    if (!FDevice->FPlugged) return Fail(kErrorDeviceNotConnected);
    return true;
  }

  bool CanStartRead(std::span<std::uint8_t> buffer) const {
    if (!Usable()) return false;
    if ((static_cast<std::uint32_t>(FAccess) & static_cast<std::uint32_t>(HidAccess::Read)) == 0)
      return Fail(kErrorAccessDenied);
    const VirtualHidDeviceSetup& setup = FDevice->FSetup;
    if (setup.Faults.ReadCannotStart) return Fail(setup.Faults.ReadError);
    if (buffer.empty() || buffer.size() < setup.Caps.InputReportByteLength)
      return Fail(kErrorInvalidUserBuffer);
    return true;
  }

  bool AcceptWrite(std::span<const std::uint8_t> report) {
    if (!Usable()) return false;
    if ((static_cast<std::uint32_t>(FAccess) & static_cast<std::uint32_t>(HidAccess::Write)) == 0)
      return Fail(kErrorAccessDenied);
    if (report.empty()) return Fail(kErrorInvalidParameter);
    if (FDevice->FSetup.Faults.WriteFails) return Fail(FDevice->FSetup.Faults.WriteError);
    FDevice->FOutput.emplace_back(report.begin(), report.end());
    return true;
  }

  bool ReadReady() const {
    return FReadActive && (FClosed || !FDevice->FPlugged || !FDevice->FInput.empty());
  }

  std::uint32_t TakeReport(std::span<std::uint8_t> buffer) {
    auto& queue = FDevice->FInput;
    std::vector<std::uint8_t> report = std::move(queue.front());
    queue.erase(queue.begin());
    std::size_t n = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), n, buffer.begin());
    return static_cast<std::uint32_t>(n);
  }

  void EndRead() {
    FReadActive = false;
    FReadBuffer = {};
    --FDevice->FPendingReads;
  }

  Finished CompleteRead() {
    Finished f{std::move(FReadCompletion), kErrorSuccess, 0};
    if (FClosed)
      f.Error = kErrorOperationAborted;
    else if (!FDevice->FPlugged)
      f.Error = kErrorDeviceNotConnected;
    else
      f.Bytes = TakeReport(FReadBuffer);
    EndRead();
    FLastRead = {true, f.Bytes, f.Error};
    return f;
  }

  const std::shared_ptr<VirtualHidDevice> FDevice;
  const std::shared_ptr<VirtualBusState> FBus;
  const HidAccess FAccess;
  const bool FOverlapped;
  bool FClosed = false;
  bool FReadActive = false;
  std::span<std::uint8_t> FReadBuffer;
  IoCompletion FReadCompletion;
  Result FLastRead;
  Result FLastWrite;
  std::deque<Finished> FDueCompletions;  // completions the next wait runs
};

// ---------------------------------------------------------------------------
VirtualHidDevice::VirtualHidDevice(std::shared_ptr<VirtualBusState> bus, std::uint32_t deviceId,
                                   VirtualHidDeviceSetup setup)
    : FBus(std::move(bus)), FDeviceID(deviceId),
      FDevicePath(FormatPath(deviceId, setup.Attributes)), FSetup(std::move(setup)) {
  FillHidProperties(FSetup.Properties, FSetup.Attributes);
}

VirtualHidDevice::~VirtualHidDevice() = default;

bool VirtualHidDevice::IsPlugged() const {
  std::lock_guard lock(FBus->Lock);
  return FPlugged;
}

void VirtualHidDevice::Unplug() {
  {
    std::lock_guard lock(FBus->Lock);
    if (!FPlugged) return;
    FPlugged = false;
    auto& devices = FBus->Devices;
    devices.erase(std::remove_if(devices.begin(), devices.end(),
                                 [this](const auto& d) { return d.get() == this; }),
                  devices.end());
    FInput.clear();
    FBus->Changed.notify_all();
  }
  FBus->Announce();
}

bool VirtualHidDevice::PushInputReport(std::vector<std::uint8_t> report) {
  std::lock_guard lock(FBus->Lock);
  if (!FPlugged) return false;
  FInput.push_back(std::move(report));
  if (FInput.size() > FNumInputBuffers) FInput.erase(FInput.begin());
  FBus->Changed.notify_all();
  return true;
}

std::size_t VirtualHidDevice::QueuedInputReports() const {
  std::lock_guard lock(FBus->Lock);
  return FInput.size();
}

std::uint32_t VirtualHidDevice::NumInputBuffers() const {
  std::lock_guard lock(FBus->Lock);
  return FNumInputBuffers;
}

std::vector<std::vector<std::uint8_t>> VirtualHidDevice::OutputReports() const {
  std::lock_guard lock(FBus->Lock);
  return FOutput;
}

std::size_t VirtualHidDevice::OutputReportCount() const {
  std::lock_guard lock(FBus->Lock);
  return FOutput.size();
}

VirtualHidFaults VirtualHidDevice::Faults() const {
  std::lock_guard lock(FBus->Lock);
  return FSetup.Faults;
}

void VirtualHidDevice::SetFaults(const VirtualHidFaults& faults) {
  std::lock_guard lock(FBus->Lock);
  FSetup.Faults = faults;
}

void VirtualHidDevice::SetOutputReportHandler(OutputReportHandler handler) {
  std::lock_guard lock(FBus->Lock);
  FSetup.OnOutputReport = std::move(handler);
}

std::size_t VirtualHidDevice::OpenHandles() const {
  std::lock_guard lock(FBus->Lock);
  return FOpenHandles;
}

std::size_t VirtualHidDevice::OpenCount() const {
  std::lock_guard lock(FBus->Lock);
  return FOpenCount;
}

std::uint32_t VirtualHidDevice::LastWaitMilliseconds() const {
  std::lock_guard lock(FBus->Lock);
  return FLastWait;
}

bool VirtualHidDevice::ReadPending() const {
  std::lock_guard lock(FBus->Lock);
  return FPendingReads > 0;
}

// ---------------------------------------------------------------------------
VirtualHidBus::VirtualHidBus() : FState(std::make_shared<VirtualBusState>()) {}

VirtualHidBus::~VirtualHidBus() {
  // Devices that outlive the bus read as unplugged.
  std::lock_guard lock(FState->Lock);
  for (auto& device : FState->Devices) device->FPlugged = false;
  FState->Devices.clear();
  FState->Changed.notify_all();
}

std::shared_ptr<VirtualHidDevice> VirtualHidBus::Plug(VirtualHidDeviceSetup setup) {
  std::shared_ptr<VirtualHidDevice> device;
  {
    std::lock_guard lock(FState->Lock);
    std::uint32_t id;
    if (setup.DeviceID) {
      id = *setup.DeviceID;
      for (const auto& d : FState->Devices)
        if (d->FDeviceID == id) throw std::invalid_argument("Device ID already present on the bus");
    } else {
      auto taken = [&](std::uint32_t candidate) {
        return std::any_of(FState->Devices.begin(), FState->Devices.end(),
                           [&](const auto& d) { return d->FDeviceID == candidate; });
      };
      do id = FState->NextDeviceID++;
      while (id == 0 || taken(id));
    }
    device.reset(new VirtualHidDevice(FState, id, std::move(setup)));
    FState->Devices.push_back(device);
  }
  FState->Announce();
  return device;
}

void VirtualHidBus::Unplug(const std::shared_ptr<VirtualHidDevice>& device) {
  if (device) device->Unplug();
}

std::vector<std::shared_ptr<VirtualHidDevice>> VirtualHidBus::Devices() const {
  std::lock_guard lock(FState->Lock);
  return FState->Devices;
}

void VirtualHidBus::AnnounceDeviceChange() { FState->Announce(); }

void VirtualHidBus::SetLibrariesAvailable(bool setupLibrary, bool hidLibrary) {
  std::lock_guard lock(FState->Lock);
  FState->SetupAvailable = setupLibrary;
  FState->HidAvailable = hidLibrary;
}

void VirtualHidBus::SetHidVersion(std::string version) {
  std::lock_guard lock(FState->Lock);
  FState->HidVersion = std::move(version);
}

bool VirtualHidBus::BindSetupLibrary() {
  return FSetup.Bind([this] {
    std::lock_guard lock(FState->Lock);
    return FState->SetupAvailable;
  });
}

void VirtualHidBus::UnbindSetupLibrary() {
  FSetup.Unbind([] {});
}

bool VirtualHidBus::BindHidLibrary() {
  return FHid.Bind([this] {
    std::lock_guard lock(FState->Lock);
    return FState->HidAvailable;
  });
}

void VirtualHidBus::UnbindHidLibrary() {
  FHid.Unbind([] {});
}

bool VirtualHidBus::HidLibraryBound() const { return FHid.Bound(); }

Guid VirtualHidBus::GetHidGuid() { return kHidInterfaceClassGuid; }

std::optional<std::vector<HidInterface>> VirtualHidBus::ListInterfaces(
    const Guid& interfaceClass) {
  if (!FSetup.Bound()) return std::nullopt;
  std::vector<HidInterface> result;
  if (interfaceClass != kHidInterfaceClassGuid) return result;
  std::lock_guard lock(FState->Lock);
  for (const auto& d : FState->Devices)
    result.push_back({d->FDeviceID, d->FDevicePath, d->FSetup.Properties});
  return result;
}

std::shared_ptr<HidHandle> VirtualHidBus::Open(const std::string& devicePath, HidAccess access,
                                               bool overlapped) {
  std::lock_guard lock(FState->Lock);
  auto it = std::find_if(FState->Devices.begin(), FState->Devices.end(),
                         [&](const auto& d) { return d->FDevicePath == devicePath; });
  auto fail = [&](HidError code, const char* reason) {
    SetLastOpenError({"open", devicePath, access, code, reason});
    return nullptr;
  };
  if (it == FState->Devices.end()) return fail(kErrorFileNotFound, "no such device");
  const auto& device = *it;
  switch (device->FSetup.Faults.Open) {
    case VirtualOpen::Normal:
      break;
    case VirtualOpen::Refused:
      return fail(kErrorSharingViolation, "in use by another process");
    case VirtualOpen::WithoutAccessOnly:
      if (access != HidAccess::None) return fail(kErrorAccessDenied, "access denied");
      break;
  }
  ++device->FOpenHandles;
  ++device->FOpenCount;
  return std::make_shared<VirtualHidHandle>(device, access, overlapped);
}

std::string VirtualHidBus::LanguageName(std::uint16_t languageId) {
  return KnownLanguageName(languageId);
}

std::string VirtualHidBus::HidVersion() {
  std::lock_guard lock(FState->Lock);
  return FState->HidAvailable ? FState->HidVersion : std::string();
}

std::unique_ptr<DeviceChangeSubscription> VirtualHidBus::WatchDeviceChanges(
    std::function<void()> changed) {
  std::lock_guard lock(FState->WatchersLock);
  std::uint64_t id = FState->NextWatcher++;
  FState->Watchers.emplace(id, std::move(changed));
  return std::make_unique<VirtualSubscription>(FState, id);
}

}  // namespace ombrel::platform
