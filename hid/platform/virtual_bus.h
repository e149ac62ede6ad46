// The virtual HID bus: an in-process platform on which code plugs and
// unplugs HID interfaces of its own making. The tests, the simulated unit
// and the demo program stand on it. Plug, unplug, push and every inspection
// may be called from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hid/platform/counted_binding.h"
#include "hid/platform/hid_platform.h"

namespace ombrel::platform {

class VirtualHidDevice;
struct VirtualBusState;

enum class VirtualOpen {
  Normal,
  Refused,            // every open fails: the interface "cannot be opened"
  WithoutAccessOnly,  // only opens asking for no access rights succeed
};

struct VirtualHidFaults {
  VirtualOpen Open = VirtualOpen::Normal;
  bool CannotIdentify = false;  // the attributes can't be read
  bool WriteFails = false;
  HidError WriteError = kErrorGenFailure;
  bool ReadCannotStart = false;  // overlapped and synchronous reads refuse to start
  HidError ReadError = kErrorGenFailure;
};

// Called on the writer's thread, outside the bus's lock, for every output
// report the device accepted; it may push input reports in answer.
using OutputReportHandler =
    std::function<void(VirtualHidDevice& device, std::span<const std::uint8_t> report)>;

HidCaps MakeVirtualCaps(std::uint16_t inputReportLength, std::uint16_t outputReportLength,
                        std::uint16_t featureReportLength = 0);

struct VirtualHidDeviceSetup {
  // The identity a listing reports; a fresh one when empty.
  std::optional<std::uint32_t> DeviceID;
  HidAttributes Attributes{12, 0x0483, 0x5750, 0x0100};
  HidCaps Caps = MakeVirtualCaps(65, 65);
  bool HasPreparsedData = true;
  // UTF-16 as a device sends them; embedded NULs are kept. Empty optional:
  // the device has no such string and asking for it fails.
  std::optional<std::u16string> Product;
  std::optional<std::u16string> Manufacturer;
  std::optional<std::u16string> SerialNumber;
  std::map<std::uint32_t, std::u16string> IndexedStrings;  // index 1 and up
  // String index 0; empty optional: it can't be read.
  std::optional<std::vector<std::uint16_t>> LanguageIds = std::vector<std::uint16_t>{0x0409};
  std::vector<std::uint8_t> PhysicalDescriptor;  // empty: the call is not supported
  // Left empty, ClassDescr, ClassGUID, DeviceDescr, EnumeratorName and
  // HardwareID are filled in as a HID interface of these attributes has them.
  DeviceSetupProperties Properties;
  VirtualHidFaults Faults;
  OutputReportHandler OnOutputReport;
};

class VirtualHidDevice {
 public:
  VirtualHidDevice(const VirtualHidDevice&) = delete;
  VirtualHidDevice& operator=(const VirtualHidDevice&) = delete;
  ~VirtualHidDevice();

  std::uint32_t DeviceID() const { return FDeviceID; }
  const std::string& DevicePath() const { return FDevicePath; }
  const HidAttributes& Attributes() const { return FSetup.Attributes; }
  const HidCaps& Caps() const { return FSetup.Caps; }
  bool IsPlugged() const;
  void Unplug();

  // Queues an input report until a read takes it; the oldest is dropped
  // when the queue holds NumInputBuffers reports. False when unplugged.
  bool PushInputReport(std::vector<std::uint8_t> report);
  std::size_t QueuedInputReports() const;
  std::uint32_t NumInputBuffers() const;

  // Every output report accepted, byte for byte, in order (written and set).
  std::vector<std::vector<std::uint8_t>> OutputReports() const;
  std::size_t OutputReportCount() const;

  VirtualHidFaults Faults() const;
  void SetFaults(const VirtualHidFaults& faults);
  void SetOutputReportHandler(OutputReportHandler handler);

  std::size_t OpenHandles() const;  // handles not closed yet
  std::size_t OpenCount() const;    // handles ever opened
  bool ReadPending() const;         // an overlapped read waits for a report
  // The time limit of the latest alertable wait on one of its handles.
  std::uint32_t LastWaitMilliseconds() const;

 private:
  friend class VirtualHidBus;
  friend class VirtualHidHandle;
  VirtualHidDevice(std::shared_ptr<VirtualBusState> bus, std::uint32_t deviceId,
                   VirtualHidDeviceSetup setup);

  const std::shared_ptr<VirtualBusState> FBus;
  const std::uint32_t FDeviceID;
  const std::string FDevicePath;
  VirtualHidDeviceSetup FSetup;  // faults and handler change under the bus lock
  // Guarded by the bus lock.
  bool FPlugged = true;
  std::vector<std::vector<std::uint8_t>> FInput;  // front is the oldest
  std::vector<std::vector<std::uint8_t>> FOutput;
  std::uint32_t FNumInputBuffers = 32;
  std::size_t FOpenHandles = 0;
  std::size_t FOpenCount = 0;
  std::size_t FPendingReads = 0;
  std::uint32_t FLastWait = 0;
};

class VirtualHidBus final : public HidPlatform {
 public:
  VirtualHidBus();
  ~VirtualHidBus() override;
  VirtualHidBus(const VirtualHidBus&) = delete;
  VirtualHidBus& operator=(const VirtualHidBus&) = delete;

  // Plugs an interface in and announces the change. Throws
  // std::invalid_argument when a chosen DeviceID is already present.
  std::shared_ptr<VirtualHidDevice> Plug(VirtualHidDeviceSetup setup);
  // Unplugs it (if still plugged) and announces the change: its open
  // handles fail from now on and a pending read ends without data.
  void Unplug(const std::shared_ptr<VirtualHidDevice>& device);
  std::vector<std::shared_ptr<VirtualHidDevice>> Devices() const;
  // A device-node change that concerns no HID interface.
  void AnnounceDeviceChange();

  // While a library is unavailable its binding fails (the unbound fallback).
  void SetLibrariesAvailable(bool setupLibrary, bool hidLibrary);
  int SetupBindCount() const { return FSetup.Count(); }
  int HidBindCount() const { return FHid.Count(); }
  void SetHidVersion(std::string version);

  bool BindSetupLibrary() override;
  void UnbindSetupLibrary() override;
  bool BindHidLibrary() override;
  void UnbindHidLibrary() override;
  bool HidLibraryBound() const override;
  Guid GetHidGuid() override;
  std::optional<std::vector<HidInterface>> ListInterfaces(const Guid& interfaceClass) override;
  std::shared_ptr<HidHandle> Open(const std::string& devicePath, HidAccess access,
                                  bool overlapped) override;
  std::string LanguageName(std::uint16_t languageId) override;
  std::string HidVersion() override;
  std::unique_ptr<DeviceChangeSubscription> WatchDeviceChanges(
      std::function<void()> changed) override;

 private:
  void Announce();

  std::shared_ptr<VirtualBusState> FState;
  CountedBinding FSetup;
  CountedBinding FHid;
};

}  // namespace ombrel::platform
