// The platform HID services: the one interface through which the HID link
// reaches devices. Backends: the in-process virtual bus, the unbound
// fallback, and the native ones (hidraw on Linux, HID.dll on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "hid/platform/hid_types.h"

namespace ombrel::platform {

// The calling thread's last platform error, set by every failing operation
// of a backend (and by the device object where it fails before reaching
// one). Thread-local, so a reader sees only its own failures.
HidError LastError();
void SetLastError(HidError error);

// Device-setup properties of one interface; empty or 0 where the platform
// has none.
struct DeviceSetupProperties {
  std::uint32_t Capabilities = 0;
  std::string ClassDescr;
  std::string ClassGUID;
  std::vector<std::string> CompatibleIDs;
  std::uint32_t ConfigFlags = 0;
  std::string DeviceDescr;
  std::string Driver;
  std::string FriendlyName;
  std::vector<std::string> HardwareID;
  std::vector<std::string> LowerFilters;
  std::string Mfg;
  std::vector<std::string> UpperFilters;
  std::string Address;
  std::uint32_t BusNumber = 0;
  std::string BusType;
  std::string Characteristics;
  std::uint32_t DevType = 0;
  std::string EnumeratorName;
  std::uint32_t Exclusive = 0;
  std::uint32_t LegacyBusType = 0;
  std::string LocationInfo;
  std::string PhysDevObjName;
  std::string SecuritySDS;
  std::string Service;
  std::uint32_t UINumber = 0;
  std::string UINumberFormat;
};

// One present HID interface as the listing finds it.
struct HidInterface {
  std::uint32_t DeviceID = 0;  // stable while the interface stays
  std::string DevicePath;      // UTF-8; what every open takes
  DeviceSetupProperties Properties;
};

enum class HidAccess : std::uint32_t { None = 0, Read = 1, Write = 2, ReadWrite = 3 };

// Why an open failed, in words a person can act on: what was tried, on
// which path, with which access, the platform's error code and the
// system's own text for it (strerror on Linux, FormatMessage on Windows).
// A backend records it beside LastError() whenever Open or OpenInterface
// fails.
struct OpenError {
  std::string Operation;  // "open", or the step that failed before it
  std::string Path;
  HidAccess Access = HidAccess::None;
  HidError Code = kErrorSuccess;
  std::string Reason;  // "Permission denied"

  bool Failed() const { return Code != kErrorSuccess; }
  // "open /dev/hidraw3 for reading and writing: Permission denied"; empty
  // when nothing failed.
  std::string Message() const;
};

// The calling thread's last failed open, kept like LastError().
const OpenError& LastOpenError();
// Records a failed open and sets LastError() to its code.
void SetLastOpenError(OpenError error);
// Forgets the record, leaving LastError() alone.
void ClearLastOpenError();

// Runs on the thread that waits on the handle, once the overlapped
// operation has ended (error code, bytes moved).
using IoCompletion = std::function<void(HidError error, std::uint32_t bytes)>;

enum class WaitOutcome {
  IoCompletion,  // a completion ran during the wait
  TimedOut,
  Stopped,  // the stop token was triggered
};

// The parsed report descriptor. Report-parsing functions a backend lacks
// answer kHidpStatusNotImplemented.
class PreparsedData {
 public:
  virtual ~PreparsedData() = default;

  virtual HidStatus GetCaps(HidCaps& caps) const = 0;

  virtual HidStatus GetButtonCaps(HidReportType type, HidButtonCaps* caps,
                                  std::uint16_t& length) const;
  virtual HidStatus GetSpecificButtonCaps(HidReportType type, std::uint16_t usagePage,
                                          std::uint16_t linkCollection, std::uint16_t usage,
                                          HidButtonCaps* caps, std::uint16_t& length) const;
  virtual HidStatus GetValueCaps(HidReportType type, HidValueCaps* caps,
                                 std::uint16_t& length) const;
  virtual HidStatus GetSpecificValueCaps(HidReportType type, std::uint16_t usagePage,
                                         std::uint16_t linkCollection, std::uint16_t usage,
                                         HidValueCaps* caps, std::uint16_t& length) const;
  virtual HidStatus GetLinkCollectionNodes(HidLinkCollectionNode* nodes,
                                           std::uint32_t& length) const;
  virtual HidStatus GetData(HidReportType type, HidData* data, std::uint32_t& length,
                            std::span<const std::uint8_t> report) const;
  virtual HidStatus SetData(HidReportType type, HidData* data, std::uint32_t& length,
                            std::span<std::uint8_t> report) const;
  virtual HidStatus GetUsages(HidReportType type, std::uint16_t usagePage,
                              std::uint16_t linkCollection, std::uint16_t* usages,
                              std::uint32_t& length,
                              std::span<const std::uint8_t> report) const;
  virtual HidStatus GetUsagesEx(HidReportType type, std::uint16_t linkCollection,
                                HidUsageAndPage* usages, std::uint32_t& length,
                                std::span<const std::uint8_t> report) const;
  virtual HidStatus SetUsages(HidReportType type, std::uint16_t usagePage,
                              std::uint16_t linkCollection, std::uint16_t* usages,
                              std::uint32_t& length, std::span<std::uint8_t> report) const;
  virtual HidStatus UnsetUsages(HidReportType type, std::uint16_t usagePage,
                                std::uint16_t linkCollection, std::uint16_t* usages,
                                std::uint32_t& length, std::span<std::uint8_t> report) const;
  virtual HidStatus GetUsageValue(HidReportType type, std::uint16_t usagePage,
                                  std::uint16_t linkCollection, std::uint16_t usage,
                                  std::uint32_t& value,
                                  std::span<const std::uint8_t> report) const;
  virtual HidStatus GetScaledUsageValue(HidReportType type, std::uint16_t usagePage,
                                        std::uint16_t linkCollection, std::uint16_t usage,
                                        std::int32_t& value,
                                        std::span<const std::uint8_t> report) const;
  virtual HidStatus GetUsageValueArray(HidReportType type, std::uint16_t usagePage,
                                       std::uint16_t linkCollection, std::uint16_t usage,
                                       std::span<std::uint8_t> value,
                                       std::span<const std::uint8_t> report) const;
  virtual HidStatus SetUsageValue(HidReportType type, std::uint16_t usagePage,
                                  std::uint16_t linkCollection, std::uint16_t usage,
                                  std::uint32_t value, std::span<std::uint8_t> report) const;
  virtual HidStatus SetScaledUsageValue(HidReportType type, std::uint16_t usagePage,
                                        std::uint16_t linkCollection, std::uint16_t usage,
                                        std::int32_t value,
                                        std::span<std::uint8_t> report) const;
  virtual HidStatus SetUsageValueArray(HidReportType type, std::uint16_t usagePage,
                                       std::uint16_t linkCollection, std::uint16_t usage,
                                       std::span<const std::uint8_t> value,
                                       std::span<std::uint8_t> report) const;
  virtual HidStatus GetExtendedAttributes(HidReportType type, std::uint16_t dataIndex,
                                          HidExtendedAttributes* attributes,
                                          std::uint32_t& length) const;
  virtual HidStatus InitializeReportForID(HidReportType type, std::uint8_t reportId,
                                          std::span<std::uint8_t> report) const;
  virtual std::uint32_t MaxDataListLength(HidReportType type) const;
  virtual std::uint32_t MaxUsageListLength(HidReportType type, std::uint16_t usagePage) const;
};

// One open handle to an interface. Every member may fail; failures return
// false (or null) and set LastError(). Close() may be called from any
// thread while another waits on the handle: the wait then ends and a read
// pending on it completes with no data. The backend keeps what a waiter
// still uses until the last shared owner lets go.
class HidHandle {
 public:
  virtual ~HidHandle() = default;
  HidHandle() = default;
  HidHandle(const HidHandle&) = delete;
  HidHandle& operator=(const HidHandle&) = delete;

  virtual void Close() = 0;

  virtual bool GetAttributes(HidAttributes& attributes) = 0;
  virtual std::shared_ptr<const PreparsedData> GetPreparsedData() = 0;

  // Strings as UTF-16 units written into a buffer the caller zeroed.
  virtual bool GetProductString(std::span<char16_t> buffer) = 0;
  virtual bool GetManufacturerString(std::span<char16_t> buffer) = 0;
  virtual bool GetSerialNumberString(std::span<char16_t> buffer) = 0;
  // Index 0 is the device's list of language IDs.
  virtual bool GetIndexedString(std::uint32_t index, std::span<char16_t> buffer) = 0;

  virtual bool SetNumInputBuffers(std::uint32_t count) = 0;
  virtual bool GetNumInputBuffers(std::uint32_t& count) = 0;

  // Synchronous transfers.
  virtual bool Write(std::span<const std::uint8_t> report, std::uint32_t& written) = 0;
  virtual bool Read(std::span<std::uint8_t> report, std::uint32_t& read) = 0;

  // Overlapped transfers on a handle opened overlapped. One read and one
  // write may be pending; their completions run inside WaitForCompletion on
  // the waiting thread. The read buffer must stay valid until the read has
  // completed or CancelIo has returned.
  virtual bool StartRead(std::span<std::uint8_t> buffer, IoCompletion completion) = 0;
  virtual bool StartWrite(std::span<const std::uint8_t> report, IoCompletion completion) = 0;
  // Alertable wait of at most `milliseconds`, ended early by a completion or
  // by `stop`.
  virtual WaitOutcome WaitForCompletion(std::uint32_t milliseconds, std::stop_token stop) = 0;
  // Bytes moved by the last completed overlapped read or write, without
  // waiting.
  virtual bool GetOverlappedResult(bool read, std::uint32_t& bytes) = 0;
  // Cancels what is pending; on return no buffer of it is used any more.
  // A cancelled read still completes, with kErrorOperationAborted and no
  // bytes: its completion runs in the next WaitForCompletion, which then
  // reports IoCompletion (a thread waiting meanwhile is woken for it).
  virtual bool CancelIo() = 0;

  // Functions not every backend has: these fail with kErrorNotSupported
  // unless a backend provides them.
  virtual bool FlushQueue();
  virtual bool GetFeature(std::span<std::uint8_t> report);
  virtual bool SetFeature(std::span<const std::uint8_t> report);
  virtual bool GetInputReport(std::span<std::uint8_t> report);
  virtual bool SetOutputReport(std::span<const std::uint8_t> report);
  virtual bool GetConfiguration(HidConfiguration& configuration);
  virtual bool SetConfiguration(const HidConfiguration& configuration);
  virtual bool GetPhysicalDescriptor(std::span<std::uint8_t> buffer);
  virtual bool DeviceIoControl(std::uint32_t code, std::span<const std::uint8_t> in,
                               std::span<std::uint8_t> out, std::uint32_t& returned);
};

// Alive while device-change notifications are wanted; destroying it stops
// them, and once the destructor returns the callback no longer runs.
class DeviceChangeSubscription {
 public:
  virtual ~DeviceChangeSubscription() = default;
};

class HidPlatform {
 public:
  virtual ~HidPlatform() = default;

  // Counted binding: the first bind loads, later ones count; the last
  // unbind frees. Binding the HID library is tried only after the setup
  // library bound.
  virtual bool BindSetupLibrary() = 0;
  virtual void UnbindSetupLibrary() = 0;
  virtual bool BindHidLibrary() = 0;
  virtual void UnbindHidLibrary() = 0;
  virtual bool HidLibraryBound() const = 0;

  virtual Guid GetHidGuid() = 0;

  // The present interfaces of a class, in the platform's order; empty
  // optional when the set of present interfaces can't be opened.
  virtual std::optional<std::vector<HidInterface>> ListInterfaces(const Guid& interfaceClass) = 0;

  virtual std::shared_ptr<HidHandle> Open(const std::string& devicePath, HidAccess access,
                                          bool overlapped) = 0;
  // Opens the interface that the listing found as `deviceId` at
  // `devicePath`, and no other: where a path can come to name another
  // interface (a node name handed on after an unplug), the backend checks
  // the identity and fails with kErrorFileNotFound once the listed
  // interface has gone. The default opens the path, for backends whose
  // paths name one interface for good.
  virtual std::shared_ptr<HidHandle> OpenInterface(const std::string& devicePath,
                                                   std::uint32_t deviceId, HidAccess access,
                                                   bool overlapped);

  // Whether the interface the listing found as `deviceId` at `devicePath`
  // is still there. The controller asks when it could not make a device
  // object for it: one that has gone meanwhile (pulled out while a pass
  // read it) is left out instead of reported. The default lists the
  // interfaces of the class again and looks for it.
  virtual bool InterfacePresent(const Guid& interfaceClass, std::uint32_t deviceId,
                                const std::string& devicePath);

  // The platform's name of a language ID; empty when it knows none.
  virtual std::string LanguageName(std::uint16_t languageId) = 0;

  // FileVersion of the platform's HID library; empty where there is none.
  virtual std::string HidVersion() = 0;

  // Calls `changed` (on any thread) after any change of device nodes. Null
  // when the platform can't tell.
  virtual std::unique_ptr<DeviceChangeSubscription> WatchDeviceChanges(
      std::function<void()> changed) = 0;
};

}  // namespace ombrel::platform
