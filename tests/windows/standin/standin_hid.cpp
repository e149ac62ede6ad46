// A stand-in HID.dll for the unit of standin_unit.h, whose device path is a
// named pipe: every handle to a pipe is the unit's (0483:5750, 65-byte
// reports with report ID 1); any other handle is refused as not a HID
// device. Transfers go through kernel32 on the pipe itself.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

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
  auto unit = ombrel::standin::ReadUnitRecord();
  return CopyText(handle, unit ? unit->Product : L"Pendra DUO", buffer, bytes);
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetManufacturerString(HANDLE handle, void* buffer,
                                                               ULONG bytes) {
  return CopyText(handle, L"Kolvmark Tovra", buffer, bytes);
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetSerialNumberString(HANDLE handle, void* buffer,
                                                               ULONG bytes) {
  auto unit = ombrel::standin::ReadUnitRecord();
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
