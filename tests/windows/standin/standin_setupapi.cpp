// A stand-in SetupApi.dll that lists a HID interface per unit of
// standin_unit.h, each with its own device path and DevInst, with the interface-detail protocol of the system's
// library: a size query answered with "insufficient buffer", and a detail
// structure whose size field must be that of its fixed part.
//
// A windowed program's system libraries use the device setup too (Wine's
// display code registers the monitors through it). Every other call, and
// every set the stand-in did not make, goes to the system's own library,
// present beside it as realsetupapi.dll (the build copies Wine's); the
// exports the stand-in does not define are forwarded there by its .def
// file. Without that library other sets are empty.
#define _SETUPAPI_  // this library defines the functions it declares
#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "standin_unit.h"

namespace {

// The units as listed when the set was made. An interface's Reserved field
// holds its unit's index plus one.
struct DeviceSet {
  std::vector<ombrel::standin::UnitRecord> Units;

  const ombrel::standin::UnitRecord* Interface(const SP_DEVICE_INTERFACE_DATA* data) const {
    if (!data || data->Reserved == 0 || data->Reserved > Units.size()) return nullptr;
    return &Units[data->Reserved - 1];
  }
  const ombrel::standin::UnitRecord* Node(DWORD devInst) const {
    for (const auto& unit : Units)
      if (unit.DevInst == devInst) return &unit;
    return nullptr;
  }
};

const GUID kHidClass{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

bool Fail(DWORD error) {
  ::SetLastError(error);
  return false;
}

// The sets this library made; any other handle is the system library's.
std::mutex gLock;
std::set<HDEVINFO> gOwnSets;

bool IsOwn(HDEVINFO set) {
  std::lock_guard lock(gLock);
  return gOwnSets.count(set) != 0;
}

// The system's function of that name, or null without the system library.
FARPROC Real(const char* name) {
  static HMODULE library = ::LoadLibraryW(L"realsetupapi.dll");
  return library ? ::GetProcAddress(library, name) : nullptr;
}

// Through void(*)(), the type that stands for any function.
#define REAL(function) reinterpret_cast<decltype(&function)>(reinterpret_cast<void (*)()>(Real(#function)))

BOOL CopyProperty(DWORD type, const void* data, DWORD size, DWORD* regType, BYTE* buffer,
                  DWORD bufferSize, DWORD* required) {
  if (regType) *regType = type;
  if (required) *required = size;
  if (!buffer || bufferSize < size) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, data, size);
  return TRUE;
}

}  // namespace

extern "C" {

__declspec(dllexport) HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* guid, PCWSTR enumerator,
                                                          HWND parent, DWORD flags) {
  // The units' interfaces are of the HID class; asked for another class, or
  // not for interfaces, the set is empty.
  const bool hid = guid && std::memcmp(guid, &kHidClass, sizeof kHidClass) == 0 &&
                   (flags & DIGCF_DEVICEINTERFACE);
  if (!hid) {
    if (auto real = REAL(SetupDiGetClassDevsW)) return real(guid, enumerator, parent, flags);
  }
  auto* set = new (std::nothrow)
      DeviceSet{hid ? ombrel::standin::ReadUnitRecords() : std::vector<ombrel::standin::UnitRecord>{}};
  if (!set) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard lock(gLock);
  gOwnSets.insert(set);
  return set;
}

__declspec(dllexport) BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  if (!IsOwn(set)) {
    auto real = REAL(SetupDiDestroyDeviceInfoList);
    return real ? real(set) : Fail(ERROR_INVALID_HANDLE);
  }
  {
    std::lock_guard lock(gLock);
    gOwnSets.erase(set);
  }
  delete static_cast<DeviceSet*>(set);
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                              const GUID* guid, DWORD index,
                                                              SP_DEVICE_INTERFACE_DATA* data) {
  if (!IsOwn(set)) {
    auto real = REAL(SetupDiEnumDeviceInterfaces);
    return real ? real(set, device, guid, index, data) : Fail(ERROR_NO_MORE_ITEMS);
  }
  auto* s = static_cast<DeviceSet*>(set);
  if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (index >= s->Units.size()) return Fail(ERROR_NO_MORE_ITEMS);
  data->InterfaceClassGuid = *guid;
  data->Flags = SPINT_ACTIVE;
  data->Reserved = index + 1;
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
    DWORD size, DWORD* required, SP_DEVINFO_DATA* device) {
  if (!IsOwn(set)) {
    auto real = REAL(SetupDiGetDeviceInterfaceDetailW);
    return real ? real(set, data, detail, size, required, device) : Fail(ERROR_INVALID_HANDLE);
  }
  auto* s = static_cast<DeviceSet*>(set);
  const ombrel::standin::UnitRecord* unit = s->Interface(data);
  if (!unit) return Fail(ERROR_INVALID_PARAMETER);
  const std::wstring& path = unit->DevicePath;
  const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                          (path.size() + 1) * sizeof(wchar_t));
  if (required) *required = needed;
  if (!detail) return Fail(size == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER);
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  if (device) {
    if (device->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    device->ClassGuid = GUID{0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};
    device->DevInst = unit->DevInst;
  }
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI SetupDiGetDeviceRegistryPropertyW(HDEVINFO set,
                                                                    SP_DEVINFO_DATA* device,
                                                                    DWORD property, DWORD* type,
                                                                    BYTE* buffer, DWORD size,
                                                                    DWORD* required) {
  if (!IsOwn(set)) {
    auto real = REAL(SetupDiGetDeviceRegistryPropertyW);
    return real ? real(set, device, property, type, buffer, size, required) : Fail(ERROR_INVALID_HANDLE);
  }
  auto* s = static_cast<DeviceSet*>(set);
  if (!device || !s->Node(device->DevInst)) return Fail(ERROR_NO_SUCH_DEVINST);
  static const wchar_t kClass[] = L"HIDClass";
  static const wchar_t kDescription[] = L"HID-compliant vendor-defined device";
  static const wchar_t kHardwareIds[] = L"HID\\VID_0483&PID_5750\0HID_DEVICE_UP:FF00_U:0001\0HID_DEVICE\0";
  static const DWORD kCapabilities = 0x84;  // removable, surprise removal OK
  switch (property) {
    case SPDRP_CLASS:
      return CopyProperty(REG_SZ, kClass, sizeof kClass, type, buffer, size, required);
    case SPDRP_DEVICEDESC:
      return CopyProperty(REG_SZ, kDescription, sizeof kDescription, type, buffer, size, required);
    case SPDRP_HARDWAREID:
      return CopyProperty(REG_MULTI_SZ, kHardwareIds, sizeof kHardwareIds, type, buffer, size,
                          required);
    case SPDRP_CAPABILITIES:
      return CopyProperty(REG_DWORD, &kCapabilities, sizeof kCapabilities, type, buffer, size,
                          required);
    default:
      return Fail(ERROR_INVALID_DATA);
  }
}

}  // extern "C"
