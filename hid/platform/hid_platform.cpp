#include "hid/platform/hid_platform.h"

#include <algorithm>

namespace ombrel::platform {

namespace {
thread_local HidError tLastError = kErrorSuccess;

HidStatus NotImplemented() { return kHidpStatusNotImplemented; }

bool NotSupported() {
  SetLastError(kErrorNotSupported);
  return false;
}
}  // namespace

HidError LastError() { return tLastError; }
void SetLastError(HidError error) { tLastError = error; }

namespace {
thread_local OpenError tLastOpenError;
}

const OpenError& LastOpenError() { return tLastOpenError; }

void SetLastOpenError(OpenError error) {
  SetLastError(error.Code);
  tLastOpenError = std::move(error);
}

void ClearLastOpenError() { tLastOpenError = {}; }

std::string OpenError::Message() const {
  if (!Failed()) return {};
  std::string text = Operation + " " + Path;
  switch (Access) {
    case HidAccess::ReadWrite: text += " for reading and writing"; break;
    case HidAccess::Read: text += " for reading"; break;
    case HidAccess::Write: text += " for writing"; break;
    case HidAccess::None: break;
  }
  return text + ": " + Reason;
}

HidStatus PreparsedData::GetButtonCaps(HidReportType, HidButtonCaps*, std::uint16_t&) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetSpecificButtonCaps(HidReportType, std::uint16_t, std::uint16_t,
                                               std::uint16_t, HidButtonCaps*,
                                               std::uint16_t&) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetValueCaps(HidReportType, HidValueCaps*, std::uint16_t&) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetSpecificValueCaps(HidReportType, std::uint16_t, std::uint16_t,
                                              std::uint16_t, HidValueCaps*,
                                              std::uint16_t&) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetLinkCollectionNodes(HidLinkCollectionNode*, std::uint32_t&) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetData(HidReportType, HidData*, std::uint32_t&,
                                 std::span<const std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::SetData(HidReportType, HidData*, std::uint32_t&,
                                 std::span<std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetUsages(HidReportType, std::uint16_t, std::uint16_t, std::uint16_t*,
                                   std::uint32_t&, std::span<const std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetUsagesEx(HidReportType, std::uint16_t, HidUsageAndPage*,
                                     std::uint32_t&, std::span<const std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::SetUsages(HidReportType, std::uint16_t, std::uint16_t, std::uint16_t*,
                                   std::uint32_t&, std::span<std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::UnsetUsages(HidReportType, std::uint16_t, std::uint16_t,
                                     std::uint16_t*, std::uint32_t&,
                                     std::span<std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetUsageValue(HidReportType, std::uint16_t, std::uint16_t,
                                       std::uint16_t, std::uint32_t&,
                                       std::span<const std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetScaledUsageValue(HidReportType, std::uint16_t, std::uint16_t,
                                             std::uint16_t, std::int32_t&,
                                             std::span<const std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetUsageValueArray(HidReportType, std::uint16_t, std::uint16_t,
                                            std::uint16_t, std::span<std::uint8_t>,
                                            std::span<const std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::SetUsageValue(HidReportType, std::uint16_t, std::uint16_t,
                                       std::uint16_t, std::uint32_t,
                                       std::span<std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::SetScaledUsageValue(HidReportType, std::uint16_t, std::uint16_t,
                                             std::uint16_t, std::int32_t,
                                             std::span<std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::SetUsageValueArray(HidReportType, std::uint16_t, std::uint16_t,
                                            std::uint16_t, std::span<const std::uint8_t>,
                                            std::span<std::uint8_t>) const {
  return NotImplemented();
}
HidStatus PreparsedData::GetExtendedAttributes(HidReportType, std::uint16_t,
                                               HidExtendedAttributes*, std::uint32_t&) const {
  return NotImplemented();
}
HidStatus PreparsedData::InitializeReportForID(HidReportType, std::uint8_t,
                                               std::span<std::uint8_t>) const {
  return NotImplemented();
}
std::uint32_t PreparsedData::MaxDataListLength(HidReportType) const { return 0; }
std::uint32_t PreparsedData::MaxUsageListLength(HidReportType, std::uint16_t) const { return 0; }

std::shared_ptr<HidHandle> HidPlatform::OpenInterface(const std::string& devicePath,
                                                      std::uint32_t, HidAccess access,
                                                      bool overlapped) {
  return Open(devicePath, access, overlapped);
}

bool HidPlatform::InterfacePresent(const Guid& interfaceClass, std::uint32_t deviceId,
                                   const std::string& devicePath) {
  const auto present = ListInterfaces(interfaceClass);
  return present && std::any_of(present->begin(), present->end(), [&](const HidInterface& i) {
           return i.DeviceID == deviceId && i.DevicePath == devicePath;
         });
}

bool HidHandle::FlushQueue() { return NotSupported(); }
bool HidHandle::GetFeature(std::span<std::uint8_t>) { return NotSupported(); }
bool HidHandle::SetFeature(std::span<const std::uint8_t>) { return NotSupported(); }
bool HidHandle::GetInputReport(std::span<std::uint8_t>) { return NotSupported(); }
bool HidHandle::SetOutputReport(std::span<const std::uint8_t>) { return NotSupported(); }
bool HidHandle::GetConfiguration(HidConfiguration&) { return NotSupported(); }
bool HidHandle::SetConfiguration(const HidConfiguration&) { return NotSupported(); }
bool HidHandle::GetPhysicalDescriptor(std::span<std::uint8_t>) { return NotSupported(); }
bool HidHandle::DeviceIoControl(std::uint32_t, std::span<const std::uint8_t>,
                                std::span<std::uint8_t>, std::uint32_t& returned) {
  returned = 0;
  return NotSupported();
}

}  // namespace ombrel::platform
