// TJvHidPnPInfo: the device-setup description of one HID interface, built
// by the controller's listing and read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/platform/hid_platform.h"

class TJvHidPnPInfo {
 public:
  explicit TJvHidPnPInfo(const ombrel::platform::HidInterface& found)
      : FDeviceID(found.DeviceID), FDevicePath(found.DevicePath), FP(found.Properties) {}

  // The identity by which a device-change pass recognises the interface.
  std::uint32_t DeviceID() const { return FDeviceID; }
  const std::string& DevicePath() const { return FDevicePath; }

  std::uint32_t Capabilities() const { return FP.Capabilities; }
  const std::string& ClassDescr() const { return FP.ClassDescr; }
  const std::string& ClassGUID() const { return FP.ClassGUID; }
  const std::vector<std::string>& CompatibleIDs() const { return FP.CompatibleIDs; }
  std::uint32_t ConfigFlags() const { return FP.ConfigFlags; }
  const std::string& DeviceDescr() const { return FP.DeviceDescr; }
  const std::string& Driver() const { return FP.Driver; }
  const std::string& FriendlyName() const { return FP.FriendlyName; }
  const std::vector<std::string>& HardwareID() const { return FP.HardwareID; }
  const std::vector<std::string>& LowerFilters() const { return FP.LowerFilters; }
  const std::string& Mfg() const { return FP.Mfg; }
  const std::vector<std::string>& UpperFilters() const { return FP.UpperFilters; }
  const std::string& Address() const { return FP.Address; }
  std::uint32_t BusNumber() const { return FP.BusNumber; }
  const std::string& BusType() const { return FP.BusType; }
  const std::string& Characteristics() const { return FP.Characteristics; }
  std::uint32_t DevType() const { return FP.DevType; }
  const std::string& EnumeratorName() const { return FP.EnumeratorName; }
  std::uint32_t Exclusive() const { return FP.Exclusive; }
  std::uint32_t LegacyBusType() const { return FP.LegacyBusType; }
  const std::string& LocationInfo() const { return FP.LocationInfo; }
  const std::string& PhysDevObjName() const { return FP.PhysDevObjName; }
  const std::string& SecuritySDS() const { return FP.SecuritySDS; }
  const std::string& Service() const { return FP.Service; }
  std::uint32_t UINumber() const { return FP.UINumber; }
  const std::string& UINumberFormat() const { return FP.UINumberFormat; }

 private:
  std::uint32_t FDeviceID;
  std::string FDevicePath;
  ombrel::platform::DeviceSetupProperties FP;
};
