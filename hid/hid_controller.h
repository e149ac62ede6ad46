// TJvHidDeviceController: keeps a device object for every present HID
// interface, re-lists them on every device-node change, walks the list and
// hands device objects out and takes them back. Everything runs on the
// window thread; only input reports are read on the readers' threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_device.h"
#include "hid/platform/hid_platform.h"
#include "hid/window_thread.h"

using TJvHidNotifyEvent = ombrel::Event<void(TJvHidDeviceController* Sender)>;
// True continues the walk.
using TJvHidEnumerateEvent = ombrel::Event<bool(TJvHidDevice* HidDev, int Idx)>;
using TJvHidDeviceCreateError =
    ombrel::Event<void(TJvHidDeviceController* Controller, const TJvHidPnPInfo* PnPInfo,
                       bool& Handled, bool& RetryCreate)>;
using TJvHidCheckCallback = std::function<bool(TJvHidDevice* HidDev)>;

class TJvHidDeviceController {
 public:
  // Binds the platform's HID services and, when they bound, posts the first
  // device-change pass to the window thread. Unbound, the controller stays
  // empty and silent. Platform and window thread must outlive it.
  TJvHidDeviceController(std::shared_ptr<ombrel::platform::HidPlatform> Platform,
                         ombrel::WindowThread& Window);
  TJvHidDeviceController(std::shared_ptr<ombrel::platform::HidPlatform> Platform,
                         ombrel::WindowThread& Window,
                         TJvHidDeviceCreateError AOnHidCtlDeviceCreateError,
                         TJvHidNotifyEvent AOnDeviceChange);
  // Runs a last pass if OnDeviceChange is set (firing no OnDeviceChange),
  // then releases every device object, also those still checked out.
  ~TJvHidDeviceController();
  TJvHidDeviceController(const TJvHidDeviceController&) = delete;
  TJvHidDeviceController& operator=(const TJvHidDeviceController&) = delete;

  // While loading (as from a window's layout) setting OnDeviceChange runs
  // no pass.
  void BeginLoading() { FLoading = true; }
  void EndLoading() { FLoading = false; }
  bool Loading() const { return FLoading; }

  // One device-change pass, at once.
  void DeviceChange();
  // What the device-change notification delivers on the window thread.
  // Only WM_DEVICECHANGE with DBT_DEVNODES_CHANGED starts a pass.
  void HandleDeviceChangeMessage(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam);

  int Enumerate();

  bool CheckOut(TJvHidDevice*& HidDev);
  bool CheckOutByID(TJvHidDevice*& HidDev, int Vid, int Pid);  // Pid -1: any product
  bool CheckOutByIndex(TJvHidDevice*& HidDev, int Idx);
  bool CheckOutByProductName(TJvHidDevice*& HidDev, const std::string& ProductName);
  bool CheckOutByVendorName(TJvHidDevice*& HidDev, const std::string& VendorName);
  bool CheckOutByClass(TJvHidDevice*& HidDev, const std::string& ClassName);
  bool CheckOutByCallback(TJvHidDevice*& HidDev, const TJvHidCheckCallback& Check);
  void CheckIn(TJvHidDevice*& HidDev);

  int CountByID(int Vid, int Pid);
  int CountByProductName(const std::string& ProductName);
  int CountByVendorName(const std::string& VendorName);
  int CountByClass(const std::string& ClassName);
  int CountByCallback(const TJvHidCheckCallback& Check);

  // FileVersion of the platform's HID library; empty where it has none.
  std::string HidVersion() const;

  const ombrel::platform::Guid& HidGuid() const { return FHidGuid; }
  const std::string& Version() const { return FVersion; }
  void SetVersion(const std::string&) {}
  int NumCheckedInDevices() const { return FNumCheckedInDevices; }
  int NumCheckedOutDevices() const { return FNumCheckedOutDevices; }
  int NumUnpluggedDevices() const { return FNumUnpluggedDevices; }
  bool InDeviceChange() const { return FInDeviceChange; }
  // Why the last device object that could not be made failed to open (kept
  // until the next such failure); Failed() is false when none failed so or
  // it failed only to be identified.
  const ombrel::platform::OpenError& LastCreateError() const { return FLastCreateError; }

  // The list, read-only: position Idx is what OnEnumerate reports.
  int DeviceCount() const { return static_cast<int>(FList.size()); }
  TJvHidDevice* DeviceAt(int Idx) const;

  const TJvHidEnumerateEvent& OnEnumerate() const { return FOnEnumerate; }
  void SetOnEnumerate(TJvHidEnumerateEvent Value) { FOnEnumerate = std::move(Value); }
  const TJvHidNotifyEvent& OnDeviceChange() const { return FOnDeviceChange; }
  void SetOnDeviceChange(TJvHidNotifyEvent Value);
  const TJvHidPlugEvent& OnArrival() const { return FOnArrival; }
  void SetOnArrival(TJvHidPlugEvent Value) { FOnArrival = std::move(Value); }
  const TJvHidPlugEvent& OnRemoval() const { return FOnRemoval; }
  void SetOnRemoval(TJvHidPlugEvent Value) { FOnRemoval = std::move(Value); }
  const TJvHidDeviceCreateError& OnDeviceCreateError() const { return FOnDeviceCreateError; }
  void SetOnDeviceCreateError(TJvHidDeviceCreateError Value) {
    FOnDeviceCreateError = std::move(Value);
  }
  // These pass the new value on to every device that still has the old one.
  const TJvHidDataEvent& OnDeviceData() const { return FOnDeviceData; }
  void SetOnDeviceData(TJvHidDataEvent Value);
  const TJvHidDataErrorEvent& OnDeviceDataError() const { return FOnDeviceDataError; }
  void SetOnDeviceDataError(TJvHidDataErrorEvent Value);
  const TJvHidPlugEvent& OnDeviceUnplug() const { return FOnDeviceUnplug; }
  void SetOnDeviceUnplug(TJvHidPlugEvent Value);
  std::uint32_t DevPollingDelayTime() const { return FDevPollingDelayTime; }
  void SetDevPollingDelayTime(std::int64_t Value);
  std::uint32_t DevThreadSleepTime() const { return FDevThreadSleepTime; }
  void SetDevThreadSleepTime(std::int64_t Value);

  ombrel::platform::HidPlatform& Platform() const { return *FPlatform; }
  ombrel::WindowThread& Window() const { return FWindow; }

 private:
  friend class TJvHidDevice;
  struct Alive {
    TJvHidDeviceController* Controller;
  };

  std::vector<std::unique_ptr<TJvHidDevice>> CollectPresentDevices();
  std::unique_ptr<TJvHidDevice> ConstructDevice(std::unique_ptr<TJvHidPnPInfo>& PnPInfo);
  void PostDeviceChange(std::intptr_t LParam);
  bool CheckOutAt(int Idx, TJvHidDevice*& HidDev);
  template <class Condition>
  bool CheckOutFirst(TJvHidDevice*& HidDev, Condition&& Holds);
  template <class Condition>
  int CountPlugged(Condition&& Holds);
  // Release step of a listed device: replace it by a fresh object or drop
  // it. May free `Device`.
  void ReleaseListed(TJvHidDevice* Device, TJvHidDevice::Remembered Remembered);
  static bool SameId(const THIDDAttributes& Attributes, int Vid, int Pid);

  std::shared_ptr<ombrel::platform::HidPlatform> FPlatform;
  ombrel::WindowThread& FWindow;
  ombrel::platform::Guid FHidGuid{};
  TJvHidNotifyEvent FOnDeviceChange;
  TJvHidEnumerateEvent FOnEnumerate;
  TJvHidPlugEvent FOnArrival;
  TJvHidPlugEvent FOnRemoval;
  TJvHidDataEvent FOnDeviceData;
  TJvHidDataErrorEvent FOnDeviceDataError;
  TJvHidPlugEvent FOnDeviceUnplug;
  TJvHidDeviceCreateError FOnDeviceCreateError;
  std::uint32_t FDevPollingDelayTime = 0;
  std::uint32_t FDevThreadSleepTime = 100;
  std::string FVersion = "1.0.35";
  std::vector<std::unique_ptr<TJvHidDevice>> FList;
  int FNumCheckedInDevices = 0;
  int FNumCheckedOutDevices = 0;
  int FNumUnpluggedDevices = 0;
  bool FInDeviceChange = false;
  bool FMissedDeviceChange = false;
  // The running pass left out an interface that went while it was listed.
  bool FLeftOutGone = false;
  ombrel::platform::OpenError FLastCreateError;
  int FFollowUpPasses = 0;  // posted for such interfaces, in a row
  static constexpr int kMaxFollowUpPasses = 3;
  std::intptr_t FLParam = 0;
  bool FLoading = false;
  bool FDestroying = false;
  bool FSetupBound = false;
  bool FHidBound = false;
  std::shared_ptr<Alive> FAlive;
  // Stands for the hidden window that hears the device-change broadcast.
  std::unique_ptr<ombrel::platform::DeviceChangeSubscription> FHWnd;
};
