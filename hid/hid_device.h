// TJvHidDevice: one HID interface found by the controller. It keeps the
// interface's identity and cached descriptions, opens up to three handles
// to it on demand, writes and reads reports, and owns the reader thread
// that delivers its input reports on the window thread.
//
// Threads: every member runs on the window thread, except what the reader
// uses (the overlapped read handle, the cached capabilities, the timings
// and the state flags), which is safe to use from the reader's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "hid/hid_errors.h"
#include "hid/hid_event.h"
#include "hid/hid_pnp_info.h"
#include "hid/platform/hid_platform.h"
#include "hid/window_thread.h"

class TJvHidDevice;
class TJvHidDeviceController;
class TJvHidDeviceReadThread;

using THIDDAttributes = ombrel::platform::HidAttributes;
using THIDPCaps = ombrel::platform::HidCaps;
using THIDDConfiguration = ombrel::platform::HidConfiguration;
using THIDPButtonCaps = ombrel::platform::HidButtonCaps;
using THIDPValueCaps = ombrel::platform::HidValueCaps;
using THIDPData = ombrel::platform::HidData;
using TUsageAndPage = ombrel::platform::HidUsageAndPage;
using THIDPLinkCollectionNode = ombrel::platform::HidLinkCollectionNode;
using THIDPExtendedAttributes = ombrel::platform::HidExtendedAttributes;
using THIDPReportType = ombrel::platform::HidReportType;
using TJvPhysicalDescriptor = std::vector<std::uint8_t>;
using TJvHidHandle = std::shared_ptr<ombrel::platform::HidHandle>;  // null: closed

// ReportID is the report's first byte; Data points at the bytes after it,
// Size of them.
using TJvHidDataEvent = ombrel::Event<void(TJvHidDevice* HidDev, std::uint8_t ReportID,
                                           const std::uint8_t* Data, std::uint16_t Size)>;
using TJvHidDataErrorEvent = ombrel::Event<void(TJvHidDevice* HidDev, std::uint32_t Error)>;
using TJvHidPlugEvent = ombrel::Event<void(TJvHidDevice* HidDev)>;

enum TJvHidOpenExMode { omhRead, omhWrite };

class TJvHidDevice {
 public:
  // Always raises: only the controller makes device objects.
  [[noreturn]] static void Create();

  // Opens the interface of `PnPInfo` briefly to identify it. Raises
  // EControllerError "Device cannot be opened" or "Device cannot be
  // identified". Takes the record over only when it succeeds, so a failed
  // construction leaves it with the caller (for a retry).
  static std::unique_ptr<TJvHidDevice> CreateForController(
      std::unique_ptr<TJvHidPnPInfo>& PnPInfo, TJvHidDeviceController* Controller);

  ~TJvHidDevice();
  TJvHidDevice(const TJvHidDevice&) = delete;
  TJvHidDevice& operator=(const TJvHidDevice&) = delete;

  // Release: stops the reader and closes the handles; a listed object
  // leaves the controller's list, or, still present, is replaced there by a
  // fresh checked-in object with the same handlers and timings. After it the
  // pointer must not be used: the list that owned the object freed it.
  void Free();

  const THIDDAttributes& Attributes() const { return FAttributes; }
  // Zero-filled when the preparsed data was never fetched.
  THIDPCaps Caps();
  std::string ProductName();
  std::string VendorName();
  std::string SerialNumber();
  bool IsPluggedIn() const { return FIsPluggedIn; }
  bool IsCheckedOut() const { return FIsCheckedOut; }
  bool IsEnumerated() const { return FIsEnumerated; }
  bool IsOpenable() const;
  bool HasReadWriteAccess() const { return FHasReadWriteAccess; }
  // Why the last open for reading and writing failed ("open /dev/hidraw3
  // for reading and writing: Permission denied"); Failed() is false while
  // HasReadWriteAccess holds.
  const ombrel::platform::OpenError& ReadWriteOpenError() const { return FReadWriteOpenError; }
  const TJvHidPnPInfo& PnPInfo() const { return *FPnPInfo; }
  TJvHidDeviceController* MyController() const { return FMyController; }
  TJvHidHandle HidFileHandle() const { return FHidFileHandle; }
  TJvHidHandle HidOverlappedRead() const;
  TJvHidHandle HidOverlappedWrite() const { return FHidOverlappedWrite; }
  // The reader, while one runs; for inspection.
  const TJvHidDeviceReadThread* DataThread() const { return FDataThread.get(); }

  bool OpenFile();
  void CloseFile();
  bool OpenFileEx(TJvHidOpenExMode Mode);
  void CloseFileEx(TJvHidOpenExMode Mode);

  bool WriteFile(const void* Report, std::uint32_t ToWrite, std::uint32_t& BytesWritten);
  bool ReadFile(void* Report, std::uint32_t ToRead, std::uint32_t& BytesRead);
  // CallBack runs on the thread that waits for the operation (WaitForOverlapped).
  bool ReadFileEx(void* Report, std::uint32_t ToRead, ombrel::platform::IoCompletion CallBack);
  bool WriteFileEx(const void* Report, std::uint32_t ToWrite,
                   ombrel::platform::IoCompletion CallBack);
  // Alertable wait on an overlapped handle: kWaitIoCompletion once a
  // completion ran (at once when the handle is closed), else kWaitTimeout.
  std::uint32_t WaitForOverlapped(TJvHidOpenExMode Mode, std::uint32_t Milliseconds,
                                  std::stop_token Stop = {});
  std::uint32_t HidOverlappedReadResult();
  std::uint32_t HidOverlappedWriteResult();
  bool CancelIO(TJvHidOpenExMode Mode);

  const TJvHidDataEvent& OnData() const { return FOnData; }
  // Clearing it stops the reader first; setting it starts one when the
  // device may have one.
  void SetOnData(TJvHidDataEvent Value);
  const TJvHidDataErrorEvent& OnDataError() const { return FOnDataError; }
  void SetOnDataError(TJvHidDataErrorEvent Value) { FOnDataError = std::move(Value); }
  const TJvHidPlugEvent& OnUnplug() const { return FOnUnplug; }
  void SetOnUnplug(TJvHidPlugEvent Value) { FOnUnplug = std::move(Value); }
  std::uint32_t Tag() const { return FTag; }
  void SetTag(std::uint32_t Value) { FTag = Value; }

  std::uint32_t PollingDelayTime() const { return FPollingDelayTime; }
  void SetPollingDelayTime(std::int64_t Value);  // 0..10000, else ignored
  std::uint32_t ThreadSleepTime() const { return FThreadSleepTime; }
  void SetThreadSleepTime(std::int64_t Value);  // 10..10000, else ignored

  bool CheckOut();

  // Thin wrappers. The handle-based ones open the synchronous handle as
  // OpenFile does and fail when they can't.
  std::uint32_t NumInputBuffers() const { return FNumInputBuffers; }
  void SetNumInputBuffers(std::uint32_t Value);
  std::uint32_t NumOverlappedBuffers() const;
  void SetNumOverlappedBuffers(std::uint32_t Value);
  bool FlushQueue();
  bool GetFeature(void* Report, std::uint32_t Size);
  bool SetFeature(const void* Report, std::uint32_t Size);
  bool GetInputReport(void* Report, std::uint32_t Size);
  bool SetOutputReport(const void* Report, std::uint32_t Size);
  THIDDConfiguration Configuration();
  void SetConfiguration(const THIDDConfiguration& Config);
  bool DeviceIoControl(std::uint32_t IoControlCode, const void* InBuffer, std::uint32_t InSize,
                       void* OutBuffer, std::uint32_t OutSize, std::uint32_t& BytesReturned);
  std::string GetDeviceString(std::uint8_t Idx);
  const std::vector<std::string>& LanguageStrings();
  const TJvPhysicalDescriptor& PhysicalDescriptor();

  // Report parsing, forwarded with the preparsed data and the parameters
  // below; kHidpStatusNull when the device isn't openable.
  THIDPReportType ReportTypeParam() const { return FReportTypeParam; }
  void SetReportTypeParam(THIDPReportType Value);
  std::uint16_t UsagePageParam() const { return FUsagePageParam; }
  void SetUsagePageParam(std::uint16_t Value);
  std::uint16_t LinkCollectionParam() const { return FLinkCollectionParam; }
  void SetLinkCollectionParam(std::uint16_t Value) { FLinkCollectionParam = Value; }
  std::uint16_t UsageParam() const { return FUsageParam; }
  void SetUsageParam(std::uint16_t Value) { FUsageParam = Value; }
  std::uint32_t MaxDataListLength() const { return FMaxDataListLength; }
  std::uint32_t MaxUsageListLength() const { return FMaxUsageListLength; }
  std::uint32_t MaxButtonListLength() const { return FMaxButtonListLength; }

  using HidStatus = ombrel::platform::HidStatus;
  HidStatus GetButtonCaps(THIDPButtonCaps* ButtonCaps, std::uint16_t& Count);
  HidStatus GetSpecificButtonCaps(THIDPButtonCaps* ButtonCaps, std::uint16_t& Count);
  HidStatus GetValueCaps(THIDPValueCaps* ValueCaps, std::uint16_t& Count);
  HidStatus GetSpecificValueCaps(THIDPValueCaps* ValueCaps, std::uint16_t& Count);
  HidStatus GetData(THIDPData* DataList, std::uint32_t& DataLength, const void* Report,
                    std::uint32_t ReportLength);
  HidStatus SetData(THIDPData* DataList, std::uint32_t& DataLength, void* Report,
                    std::uint32_t ReportLength);
  HidStatus GetUsages(std::uint16_t* UsageList, std::uint32_t& UsageLength, const void* Report,
                      std::uint32_t ReportLength);
  HidStatus GetUsagesEx(TUsageAndPage* UsageList, std::uint32_t& UsageLength, const void* Report,
                        std::uint32_t ReportLength);
  HidStatus SetUsages(std::uint16_t* UsageList, std::uint32_t& UsageLength, void* Report,
                      std::uint32_t ReportLength);
  HidStatus UnsetUsages(std::uint16_t* UsageList, std::uint32_t& UsageLength, void* Report,
                        std::uint32_t ReportLength);
  HidStatus GetButtons(std::uint16_t* UsageList, std::uint32_t& UsageLength, const void* Report,
                       std::uint32_t ReportLength);
  HidStatus GetButtonsEx(TUsageAndPage* UsageList, std::uint32_t& UsageLength,
                         const void* Report, std::uint32_t ReportLength);
  HidStatus SetButtons(std::uint16_t* UsageList, std::uint32_t& UsageLength, void* Report,
                       std::uint32_t ReportLength);
  HidStatus UnsetButtons(std::uint16_t* UsageList, std::uint32_t& UsageLength, void* Report,
                         std::uint32_t ReportLength);
  HidStatus GetUsageValue(std::uint32_t& UsageValue, const void* Report,
                          std::uint32_t ReportLength);
  HidStatus GetScaledUsageValue(std::int32_t& UsageValue, const void* Report,
                                std::uint32_t ReportLength);
  HidStatus GetUsageValueArray(void* UsageValue, std::uint16_t UsageValueByteLength,
                               const void* Report, std::uint32_t ReportLength);
  HidStatus SetUsageValue(std::uint32_t UsageValue, void* Report, std::uint32_t ReportLength);
  HidStatus SetScaledUsageValue(std::int32_t UsageValue, void* Report,
                                std::uint32_t ReportLength);
  HidStatus SetUsageValueArray(const void* UsageValue, std::uint16_t UsageValueByteLength,
                               void* Report, std::uint32_t ReportLength);
  // These two use the preparsed data fetched so far.
  HidStatus GetExtendedAttributes(std::uint16_t DataIndex, THIDPExtendedAttributes* Attributes,
                                  std::uint32_t& LengthAttributes);
  HidStatus InitializeReportForID(std::uint8_t ReportID, void* Report,
                                  std::uint32_t ReportLength);
  // Node Idx (from 0) of the link-collection list; all zeros past its end.
  THIDPLinkCollectionNode GetLinkCollectionNode(std::uint16_t Idx);

 private:
  friend class TJvHidDeviceController;
  friend class TJvHidDeviceReadThread;

  struct Remembered {
    TJvHidDataEvent OnData;
    TJvHidPlugEvent OnUnplug;
  };

  TJvHidDevice(const TJvHidPnPInfo& PnPInfo, TJvHidDeviceController* Controller);

  // Release steps that leave the object alive: reader stopped, handlers
  // cleared, handles closed, preparsed data and language list freed.
  Remembered ShutDown();
  void StartReader();
  void StopReader();
  void MarkUnplugged();
  void CloseAllHandles();
  TJvHidHandle OpenHandle(ombrel::platform::HidAccess Access, bool Overlapped);
  // Keeps why the open for reading and writing just tried failed, or
  // forgets it when it worked.
  void NoteReadWriteOpen();
  std::shared_ptr<const ombrel::platform::PreparsedData> EnsurePreparsedData();
  std::shared_ptr<const ombrel::platform::PreparsedData> FetchedPreparsedData() const;
  THIDPCaps CachedCaps() const;  // the reader's view: never opens anything
  // Starts an overlapped read and gives the handle it runs on; null on failure.
  TJvHidHandle StartOverlappedRead(std::span<std::uint8_t> Buffer,
                                   ombrel::platform::IoCompletion CallBack);
  void RefreshListLengths();
  template <class F>
  HidStatus Parse(F&& Call);

  TJvHidDeviceController* FMyController;
  const std::shared_ptr<ombrel::platform::HidPlatform> FPlatform;
  ombrel::WindowThread& FWindow;
  std::atomic<bool> FIsPluggedIn{true};
  std::atomic<bool> FIsCheckedOut{false};
  std::atomic<bool> FIsEnumerated{false};
  TJvHidHandle FHidFileHandle;
  TJvHidHandle FHidOverlappedWrite;
  THIDDAttributes FAttributes{};
  std::unique_ptr<TJvHidPnPInfo> FPnPInfo;
  std::string FDevicePath;
  std::uint32_t FDeviceID = 0;  // every open checks it still names the listed interface
  std::string FVendorName;
  std::string FProductName;
  std::string FSerialNumber;
  TJvPhysicalDescriptor FPhysicalDescriptor;
  std::vector<std::string> FLanguageStrings;
  std::uint32_t FNumInputBuffers = 0;
  std::atomic<std::uint32_t> FPollingDelayTime{0};
  std::atomic<std::uint32_t> FThreadSleepTime{100};
  std::vector<THIDPLinkCollectionNode> FLinkCollection;
  std::uint32_t FMaxDataListLength = 0;
  std::uint32_t FMaxUsageListLength = 0;
  std::uint32_t FMaxButtonListLength = 0;
  THIDPReportType FReportTypeParam = THIDPReportType::Input;
  std::uint16_t FUsagePageParam = 0;
  std::uint16_t FLinkCollectionParam = 0;
  std::uint16_t FUsageParam = 0;
  TJvHidDataEvent FOnData;
  TJvHidDataErrorEvent FOnDataError;
  TJvHidPlugEvent FOnUnplug;
  bool FHasReadWriteAccess = false;
  ombrel::platform::OpenError FReadWriteOpenError;
  std::unique_ptr<TJvHidDeviceReadThread> FDataThread;
  std::uint32_t FTag = 0;

  // Shared with the reader's thread.
  mutable std::mutex FLock;
  TJvHidHandle FHidOverlappedRead;
  std::shared_ptr<const ombrel::platform::PreparsedData> FPreparsedData;
  std::uint32_t FNumOverlappedBuffers = 0;
};
