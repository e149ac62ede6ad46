// HID.dll and SetupApi.dll, loaded at run time from the system directory
// (never from the program's folder) and resolved by GetProcAddress. Only the functions the backend calls are declared here,
// with shapes of our own for the HID records (laid out as the system's), so
// gaps in a toolchain's hidsdi.h never matter.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <memory>
#include <string>

#include "hid/platform/hid_types.h"
#include "hid/platform/windows/win32_owners.h"

namespace ombrel::platform::windows_hid {

using PreparsedHandle = void*;  // PHIDP_PREPARSED_DATA
using NtStatus = LONG;

struct HidLibrary {
  void(WINAPI* HidD_GetHidGuid)(GUID*);
  BOOLEAN(WINAPI* HidD_GetAttributes)(HANDLE, HidAttributes*);
  BOOLEAN(WINAPI* HidD_GetPreparsedData)(HANDLE, PreparsedHandle*);
  BOOLEAN(WINAPI* HidD_FreePreparsedData)(PreparsedHandle);
  NtStatus(WINAPI* HidP_GetCaps)(PreparsedHandle, HidCaps*);
  BOOLEAN(WINAPI* HidD_GetProductString)(HANDLE, void*, ULONG);
  BOOLEAN(WINAPI* HidD_GetManufacturerString)(HANDLE, void*, ULONG);
  BOOLEAN(WINAPI* HidD_GetSerialNumberString)(HANDLE, void*, ULONG);
  BOOLEAN(WINAPI* HidD_GetIndexedString)(HANDLE, ULONG, void*, ULONG);
  BOOLEAN(WINAPI* HidD_SetNumInputBuffers)(HANDLE, ULONG);
  BOOLEAN(WINAPI* HidD_GetNumInputBuffers)(HANDLE, ULONG*);
  BOOLEAN(WINAPI* HidD_FlushQueue)(HANDLE);
  BOOLEAN(WINAPI* HidD_GetFeature)(HANDLE, void*, ULONG);
  BOOLEAN(WINAPI* HidD_SetFeature)(HANDLE, void*, ULONG);
  BOOLEAN(WINAPI* HidD_GetConfiguration)(HANDLE, HidConfiguration*, ULONG);
  BOOLEAN(WINAPI* HidD_SetConfiguration)(HANDLE, HidConfiguration*, ULONG);
  BOOLEAN(WINAPI* HidD_GetPhysicalDescriptor)(HANDLE, void*, ULONG);
  // Late additions to the library: null where the system lacks them, and
  // their callers then fail.
  BOOLEAN(WINAPI* HidD_GetInputReport)(HANDLE, void*, ULONG);
  BOOLEAN(WINAPI* HidD_SetOutputReport)(HANDLE, void*, ULONG);
  NtStatus(WINAPI* HidP_GetExtendedAttributes)(int, USHORT, PreparsedHandle,
                                               HidExtendedAttributes*, ULONG*);
  NtStatus(WINAPI* HidP_InitializeReportForID)(int, UCHAR, PreparsedHandle, char*, ULONG);

  // Loads `name` from the system directory (a full path: that file) with
  // the missing-file box suppressed and resolves every function; one
  // missing (other than the late ones) fails the whole binding and releases
  // the library. The library stays loaded while the result or a copy of it
  // lives.
  static std::shared_ptr<const HidLibrary> Load(const std::wstring& name);

  HMODULE Module() const { return FModule ? FModule->Get() : nullptr; }

 private:
  std::shared_ptr<UniqueModule> FModule;
};

struct SetupLibrary {
  HDEVINFO(WINAPI* SetupDiGetClassDevsW)(const GUID*, PCWSTR, HWND, DWORD);
  BOOL(WINAPI* SetupDiEnumDeviceInterfaces)(HDEVINFO, SP_DEVINFO_DATA*, const GUID*, DWORD,
                                            SP_DEVICE_INTERFACE_DATA*);
  BOOL(WINAPI* SetupDiGetDeviceInterfaceDetailW)(HDEVINFO, SP_DEVICE_INTERFACE_DATA*,
                                                 SP_DEVICE_INTERFACE_DETAIL_DATA_W*, DWORD,
                                                 DWORD*, SP_DEVINFO_DATA*);
  BOOL(WINAPI* SetupDiGetDeviceRegistryPropertyW)(HDEVINFO, SP_DEVINFO_DATA*, DWORD, DWORD*,
                                                  BYTE*, DWORD, DWORD*);
  BOOL(WINAPI* SetupDiDestroyDeviceInfoList)(HDEVINFO);

  static std::shared_ptr<const SetupLibrary> Load(const std::wstring& name);

 private:
  std::shared_ptr<UniqueModule> FModule;
};

// A device-information set, destroyed through the library that made it.
class UniqueDevInfo {
 public:
  UniqueDevInfo(std::shared_ptr<const SetupLibrary> library, HDEVINFO set)
      : FLibrary(std::move(library)), FSet(set) {}
  UniqueDevInfo(const UniqueDevInfo&) = delete;
  UniqueDevInfo& operator=(const UniqueDevInfo&) = delete;
  ~UniqueDevInfo() {
    if (Valid()) FLibrary->SetupDiDestroyDeviceInfoList(FSet);
  }
  HDEVINFO Get() const { return FSet; }
  bool Valid() const { return FSet != INVALID_HANDLE_VALUE && FSet != nullptr; }

 private:
  std::shared_ptr<const SetupLibrary> FLibrary;
  HDEVINFO FSet;
};

// Kernel functions looked up at run time: CancelIo as the HID link expects,
// and CancelIoEx, which also reaches reads started by another thread.
struct KernelFunctions {
  BOOL(WINAPI* CancelIo)(HANDLE);
  BOOL(WINAPI* CancelIoEx)(HANDLE, OVERLAPPED*);
  static const KernelFunctions& Get();
};

}  // namespace ombrel::platform::windows_hid
