// Plain data of the HID class interface: attributes, capabilities, the
// report-parsing records, status and error codes. Laid out like the
// platform's own records so a backend can copy them field by field; named
// in our own style so they never meet the platform headers' names.
#pragma once

#include <array>
#include <cstdint>

namespace ombrel::platform {

// Platform error code, in the Win32 numbering every backend maps to.
using HidError = std::uint32_t;
inline constexpr HidError kErrorSuccess = 0;
inline constexpr HidError kErrorInvalidFunction = 1;
inline constexpr HidError kErrorFileNotFound = 2;
inline constexpr HidError kErrorAccessDenied = 5;
inline constexpr HidError kErrorInvalidHandle = 6;
inline constexpr HidError kErrorGenFailure = 31;
inline constexpr HidError kErrorSharingViolation = 32;
inline constexpr HidError kErrorNotSupported = 50;
inline constexpr HidError kErrorInvalidParameter = 87;
inline constexpr HidError kErrorInsufficientBuffer = 122;
inline constexpr HidError kErrorOperationAborted = 995;
inline constexpr HidError kErrorIoIncomplete = 996;
inline constexpr HidError kErrorDeviceNotConnected = 1167;
inline constexpr HidError kErrorInvalidUserBuffer = 1784;

// Status of the report-parsing functions.
using HidStatus = std::uint32_t;
inline constexpr HidStatus kHidpStatusSuccess = 0x00110000;
inline constexpr HidStatus kHidpStatusNull = 0x80110001;
inline constexpr HidStatus kHidpStatusInvalidPreparsedData = 0xC0110001;
inline constexpr HidStatus kHidpStatusNotImplemented = 0xC0110020;

// Result of an alertable wait: a completion routine ran, or the time ran out.
inline constexpr std::uint32_t kWaitIoCompletion = 192;
inline constexpr std::uint32_t kWaitTimeout = 258;

// The device-change broadcast and the one kind of it a pass answers.
inline constexpr std::uint32_t kWmDeviceChange = 0x0219;
inline constexpr std::uintptr_t kDbtDevnodesChanged = 7;

struct Guid {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};

  friend bool operator==(const Guid&, const Guid&) = default;
};

// The HID interface class, also what an unbound controller takes.
inline constexpr Guid kHidInterfaceClassGuid{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct HidAttributes {
  std::uint32_t Size = 12;
  std::uint16_t VendorID = 0;
  std::uint16_t ProductID = 0;
  std::uint16_t VersionNumber = 0;
};
static_assert(sizeof(HidAttributes) == 12);

struct HidCaps {
  std::uint16_t Usage = 0;
  std::uint16_t UsagePage = 0;
  std::uint16_t InputReportByteLength = 0;
  std::uint16_t OutputReportByteLength = 0;
  std::uint16_t FeatureReportByteLength = 0;
  std::array<std::uint16_t, 17> Reserved{};
  std::uint16_t NumberLinkCollectionNodes = 0;
  std::uint16_t NumberInputButtonCaps = 0;
  std::uint16_t NumberInputValueCaps = 0;
  std::uint16_t NumberInputDataIndices = 0;
  std::uint16_t NumberOutputButtonCaps = 0;
  std::uint16_t NumberOutputValueCaps = 0;
  std::uint16_t NumberOutputDataIndices = 0;
  std::uint16_t NumberFeatureButtonCaps = 0;
  std::uint16_t NumberFeatureValueCaps = 0;
  std::uint16_t NumberFeatureDataIndices = 0;

  friend bool operator==(const HidCaps&, const HidCaps&) = default;
};
static_assert(sizeof(HidCaps) == 64);

enum class HidReportType : std::uint32_t { Input = 0, Output = 1, Feature = 2 };

struct HidUsageRange {
  std::uint16_t UsageMin, UsageMax, StringMin, StringMax;
  std::uint16_t DesignatorMin, DesignatorMax, DataIndexMin, DataIndexMax;
};
struct HidUsageNotRange {
  std::uint16_t Usage, Reserved1, StringIndex, Reserved2;
  std::uint16_t DesignatorIndex, Reserved3, DataIndex, Reserved4;
};

struct HidButtonCaps {
  std::uint16_t UsagePage = 0;
  std::uint8_t ReportID = 0;
  std::uint8_t IsAlias = 0;
  std::uint16_t BitField = 0;
  std::uint16_t LinkCollection = 0;
  std::uint16_t LinkUsage = 0;
  std::uint16_t LinkUsagePage = 0;
  std::uint8_t IsRange = 0;
  std::uint8_t IsStringRange = 0;
  std::uint8_t IsDesignatorRange = 0;
  std::uint8_t IsAbsolute = 0;
  std::array<std::uint32_t, 10> Reserved{};
  union {
    HidUsageRange Range;
    HidUsageNotRange NotRange;
  } U{};
};

struct HidValueCaps {
  std::uint16_t UsagePage = 0;
  std::uint8_t ReportID = 0;
  std::uint8_t IsAlias = 0;
  std::uint16_t BitField = 0;
  std::uint16_t LinkCollection = 0;
  std::uint16_t LinkUsage = 0;
  std::uint16_t LinkUsagePage = 0;
  std::uint8_t IsRange = 0;
  std::uint8_t IsStringRange = 0;
  std::uint8_t IsDesignatorRange = 0;
  std::uint8_t IsAbsolute = 0;
  std::uint8_t HasNull = 0;
  std::uint8_t Reserved = 0;
  std::uint16_t BitSize = 0;
  std::uint16_t ReportCount = 0;
  std::array<std::uint16_t, 5> Reserved2{};
  std::uint32_t UnitsExp = 0;
  std::uint32_t Units = 0;
  std::int32_t LogicalMin = 0, LogicalMax = 0;
  std::int32_t PhysicalMin = 0, PhysicalMax = 0;
  union {
    HidUsageRange Range;
    HidUsageNotRange NotRange;
  } U{};
};

struct HidData {
  std::uint16_t DataIndex = 0;
  std::uint16_t Reserved = 0;
  std::uint32_t RawValue = 0;  // also "On" for a button: non-zero
};

struct HidUsageAndPage {
  std::uint16_t Usage = 0;
  std::uint16_t UsagePage = 0;
};

struct HidLinkCollectionNode {
  std::uint16_t LinkUsage = 0;
  std::uint16_t LinkUsagePage = 0;
  std::uint16_t Parent = 0;
  std::uint16_t NumberOfChildren = 0;
  std::uint16_t NextSibling = 0;
  std::uint16_t FirstChild = 0;
  std::uint8_t CollectionType = 0;
  bool IsAlias = false;
  void* UserContext = nullptr;

  friend bool operator==(const HidLinkCollectionNode&,
                         const HidLinkCollectionNode&) = default;
};

struct HidExtendedAttributes {
  std::uint8_t NumGlobalUnknowns = 0;
  std::array<std::uint8_t, 3> Reserved{};
  const void* GlobalUnknowns = nullptr;
  std::uint32_t Data[1] = {};
};

struct HidConfiguration {
  void* Cookie = nullptr;
  std::uint32_t Size = 0;
  std::uint32_t RingBufferSize = 0;
};

}  // namespace ombrel::platform
