// A stand-in HID.dll for the units of standin_unit.h, whose device paths are
// named pipes: every handle to a pipe is a unit's (0483:5750, 65-byte
// reports with report ID 1); any other handle is refused as not a HID
// device. Its product and serial number are those of the unit the record
// lists with the handle's pipe as its path. Transfers go through kernel32
// on the pipe itself.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "standin_unit.h"

namespace {

struct Attributes {
  ULONG Size;
  USHORT VendorID, ProductID, VersionNumber;
};

struct Caps {
  USHORT Usage, UsagePage, InputReportByteLength, OutputReportByteLength,
      FeatureReportByteLength;
  USHORT Reserved[17];
  USHORT NumberLinkCollectionNodes, NumberInputButtonCaps, NumberInputValueCaps,
      NumberInputDataIndices, NumberOutputButtonCaps, NumberOutputValueCaps,
      NumberOutputDataIndices, NumberFeatureButtonCaps, NumberFeatureValueCaps,
      NumberFeatureDataIndices;
};
static_assert(sizeof(Caps) == 64);

constexpr LONG kHidpStatusSuccess = 0x00110000;
constexpr LONG kHidpStatusInvalidPreparsedData = static_cast<LONG>(0xC0110001);

// The preparsed data the stand-in hands out: a marker it recognises.
struct Preparsed {
  char Tag[8] = "OMBREL";
};

std::atomic<ULONG> gInputBuffers{32};

bool IsUnit(HANDLE handle) {
  if (::GetFileType(handle) == FILE_TYPE_PIPE) return true;
  ::SetLastError(ERROR_INVALID_FUNCTION);
  return false;
}

// The unit listed with the handle's pipe as its device path. A pipe's file
// name is what follows \\.\pipe in its path; a system that does not tell it
// leaves a lone unit as the only answer.
std::optional<ombrel::standin::UnitRecord> UnitOf(HANDLE handle) {
  std::vector<ombrel::standin::UnitRecord> units = ombrel::standin::ReadUnitRecords();
  alignas(FILE_NAME_INFO) char buffer[sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(wchar_t)];
  if (::GetFileInformationByHandleEx(handle, FileNameInfo, buffer, sizeof buffer)) {
    const auto* info = reinterpret_cast<const FILE_NAME_INFO*>(buffer);
    const std::wstring path =
        L"\\\\.\\pipe" + std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t));
    for (auto& unit : units)
      if (::CompareStringOrdinal(unit.DevicePath.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL)
        return std::move(unit);
    return std::nullopt;
  }
  if (units.size() == 1) return std::move(units.front());
  return std::nullopt;
}

BOOLEAN CopyText(HANDLE handle, const std::wstring& text, void* buffer, ULONG bytes) {
  if (!IsUnit(handle)) return FALSE;
  const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
  if (bytes < size) {
    ::SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, text.c_str(), size);
  return TRUE;
}

BOOLEAN Unsupported() {
  ::SetLastError(ERROR_INVALID_FUNCTION);
  return FALSE;
}

}  // namespace

extern "C" {

__declspec(dllexport) void WINAPI HidD_GetHidGuid(GUID* guid) {
  *guid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetAttributes(HANDLE handle, Attributes* attributes) {
  if (!IsUnit(handle)) return FALSE;
  attributes->Size = sizeof(Attributes);
  attributes->VendorID = 0x0483;
  attributes->ProductID = 0x5750;
  attributes->VersionNumber = 0x0100;
  return TRUE;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetPreparsedData(HANDLE handle, void** data) {
  if (!IsUnit(handle)) return FALSE;
  *data = new Preparsed;
  return TRUE;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_FreePreparsedData(void* data) {
  delete static_cast<Preparsed*>(data);
  return TRUE;
}

__declspec(dllexport) LONG WINAPI HidP_GetCaps(void* data, Caps* caps) {
  if (!data || std::strcmp(static_cast<Preparsed*>(data)->Tag, "OMBREL") != 0)
    return kHidpStatusInvalidPreparsedData;
  *caps = Caps{};
  caps->Usage = 0x0001;
  caps->UsagePage = 0xFF00;
  caps->InputReportByteLength = 65;
  caps->OutputReportByteLength = 65;
  caps->NumberLinkCollectionNodes = 1;
  caps->NumberInputValueCaps = 1;
  caps->NumberOutputValueCaps = 1;
  return kHidpStatusSuccess;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetProductString(HANDLE handle, void* buffer, ULONG bytes) {
  if (!IsUnit(handle)) return FALSE;
  auto unit = UnitOf(handle);
  return CopyText(handle, unit ? unit->Product : L"Pendra DUO", buffer, bytes);
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetManufacturerString(HANDLE handle, void* buffer,
                                                               ULONG bytes) {
  return CopyText(handle, L"Kolvmark Tovra", buffer, bytes);
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetSerialNumberString(HANDLE handle, void* buffer,
                                                               ULONG bytes) {
  if (!IsUnit(handle)) return FALSE;
  auto unit = UnitOf(handle);
  return CopyText(handle, unit ? unit->SerialNumber : L"", buffer, bytes);
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetIndexedString(HANDLE handle, ULONG index, void* buffer,
                                                          ULONG bytes) {
  if (index != 0) return Unsupported();
  return CopyText(handle, std::wstring(1, wchar_t{0x0409}), buffer, bytes);
}

__declspec(dllexport) BOOLEAN WINAPI HidD_SetNumInputBuffers(HANDLE handle, ULONG count) {
  if (!IsUnit(handle)) return FALSE;
  if (count < 2 || count > 512) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  gInputBuffers = count;
  return TRUE;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetNumInputBuffers(HANDLE handle, ULONG* count) {
  if (!IsUnit(handle)) return FALSE;
  *count = gInputBuffers;
  return TRUE;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_FlushQueue(HANDLE) { return Unsupported(); }
__declspec(dllexport) BOOLEAN WINAPI HidD_GetFeature(HANDLE, void*, ULONG) { return Unsupported(); }
__declspec(dllexport) BOOLEAN WINAPI HidD_SetFeature(HANDLE, void*, ULONG) { return Unsupported(); }
__declspec(dllexport) BOOLEAN WINAPI HidD_GetConfiguration(HANDLE, void*, ULONG) { return Unsupported(); }
__declspec(dllexport) BOOLEAN WINAPI HidD_SetConfiguration(HANDLE, void*, ULONG) { return Unsupported(); }
__declspec(dllexport) BOOLEAN WINAPI HidD_GetPhysicalDescriptor(HANDLE, void*, ULONG) {
  return Unsupported();
}

}  // extern "C"
