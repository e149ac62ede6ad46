#include "hid/platform/windows/windows_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "hid/platform/language_names.h"
#include "hid/platform/windows/device_change_window.h"
#include "hid/platform/windows/windows_error.h"
#include "hid/platform/windows/windows_handle.h"

namespace ombrel::platform::windows_hid {

namespace {

GUID ToWin(const Guid& g) {
  GUID w;
  w.Data1 = g.Data1;
  w.Data2 = g.Data2;
  w.Data3 = g.Data3;
  for (int i = 0; i < 8; ++i) w.Data4[i] = g.Data4[i];
  return w;
}

Guid FromWin(const GUID& w) {
  Guid g;
  g.Data1 = w.Data1;
  g.Data2 = w.Data2;
  g.Data3 = w.Data3;
  for (int i = 0; i < 8; ++i) g.Data4[i] = w.Data4[i];
  return g;
}

// One device-registry property as the system stored it.
struct Property {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;

  std::wstring_view Units() const {
    return {reinterpret_cast<const wchar_t*>(Data.data()), Data.size() / sizeof(wchar_t)};
  }
  std::string Text() const {
    if (Type == REG_SZ || Type == REG_EXPAND_SZ || Type == REG_MULTI_SZ) {
      std::wstring_view units = Units();
      return Narrow(units.substr(0, std::min(units.find(L'\0'), units.size())));
    }
    if (Type == REG_DWORD && Data.size() >= sizeof(DWORD)) return std::to_string(Number());
    if (Type == REG_BINARY && Data.size() == sizeof(GUID)) {
      GUID g;
      std::memcpy(&g, Data.data(), sizeof g);
      char text[40];
      std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                    static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0],
                    g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                    g.Data4[7]);
      return text;
    }
    return {};
  }
  std::uint32_t Number() const {
    if (Type != REG_DWORD || Data.size() < sizeof(DWORD)) return 0;
    DWORD value;
    std::memcpy(&value, Data.data(), sizeof value);
    return value;
  }
  std::vector<std::string> List() const {
    std::vector<std::string> items;
    if (Type == REG_SZ || Type == REG_EXPAND_SZ) {
      if (std::string one = Text(); !one.empty()) items.push_back(std::move(one));
      return items;
    }
    if (Type != REG_MULTI_SZ) return items;
    std::wstring_view units = Units();
    while (!units.empty()) {
      const std::size_t end = std::min(units.find(L'\0'), units.size());
      if (end == 0) break;  // the empty item ends the list
      items.push_back(Narrow(units.substr(0, end)));
      units.remove_prefix(std::min(end + 1, units.size()));
    }
    return items;
  }
};

Property ReadProperty(const SetupLibrary& setup, HDEVINFO set, SP_DEVINFO_DATA& device,
                      DWORD property) {
  Property p;
  DWORD size = 0;
  // Size query first; a property the device lacks fails here and stays empty.
  setup.SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, nullptr, 0, &size);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return p;
  p.Data.assign(size + sizeof(wchar_t), 0);  // room for a NUL the system left out
  if (!setup.SetupDiGetDeviceRegistryPropertyW(set, &device, property, &p.Type, p.Data.data(),
                                               size, &size)) {
    p = {};
    return p;
  }
  p.Data.resize(size);
  return p;
}

DeviceSetupProperties ReadProperties(const SetupLibrary& setup, HDEVINFO set,
                                     SP_DEVINFO_DATA& device) {
  auto read = [&](DWORD property) { return ReadProperty(setup, set, device, property); };
  DeviceSetupProperties p;
  p.Capabilities = read(SPDRP_CAPABILITIES).Number();
  p.ClassDescr = read(SPDRP_CLASS).Text();
  p.ClassGUID = read(SPDRP_CLASSGUID).Text();
  p.CompatibleIDs = read(SPDRP_COMPATIBLEIDS).List();
  p.ConfigFlags = read(SPDRP_CONFIGFLAGS).Number();
  p.DeviceDescr = read(SPDRP_DEVICEDESC).Text();
  p.Driver = read(SPDRP_DRIVER).Text();
  p.FriendlyName = read(SPDRP_FRIENDLYNAME).Text();
  p.HardwareID = read(SPDRP_HARDWAREID).List();
  p.LowerFilters = read(SPDRP_LOWERFILTERS).List();
  p.Mfg = read(SPDRP_MFG).Text();
  p.UpperFilters = read(SPDRP_UPPERFILTERS).List();
  p.Address = read(SPDRP_ADDRESS).Text();
  p.BusNumber = read(SPDRP_BUSNUMBER).Number();
  p.BusType = read(SPDRP_BUSTYPEGUID).Text();
  p.Characteristics = read(SPDRP_CHARACTERISTICS).Text();
  p.DevType = read(SPDRP_DEVTYPE).Number();
  p.EnumeratorName = read(SPDRP_ENUMERATOR_NAME).Text();
  p.Exclusive = read(SPDRP_EXCLUSIVE).Number();
  p.LegacyBusType = read(SPDRP_LEGACYBUSTYPE).Number();
  p.LocationInfo = read(SPDRP_LOCATION_INFORMATION).Text();
  p.PhysDevObjName = read(SPDRP_PHYSICAL_DEVICE_OBJECT_NAME).Text();
  p.SecuritySDS = read(SPDRP_SECURITY_SDS).Text();
  p.Service = read(SPDRP_SERVICE).Text();
  p.UINumber = read(SPDRP_UI_NUMBER).Number();
  p.UINumberFormat = read(SPDRP_UI_NUMBER_DESC_FORMAT).Text();
  return p;
}

}  // namespace

WindowsHidPlatform::WindowsHidPlatform(LibraryNames names, ChangeWindowThread changeWindow)
    : FNames(std::move(names)), FChangeWindow(changeWindow) {}

WindowsHidPlatform::~WindowsHidPlatform() = default;

bool WindowsHidPlatform::BindSetupLibrary() {
  return FSetup.Bind([this] {
    auto library = SetupLibrary::Load(FNames.Setup);
    std::lock_guard lock(FLock);
    FSetupLibrary = std::move(library);
    return FSetupLibrary != nullptr;
  });
}

void WindowsHidPlatform::UnbindSetupLibrary() {
  FSetup.Unbind([this] {
    std::lock_guard lock(FLock);
    FSetupLibrary.reset();
  });
}

bool WindowsHidPlatform::BindHidLibrary() {
  return FHid.Bind([this] {
    auto library = HidLibrary::Load(FNames.Hid);
    std::lock_guard lock(FLock);
    FHidLibrary = std::move(library);
    return FHidLibrary != nullptr;
  });
}

void WindowsHidPlatform::UnbindHidLibrary() {
  FHid.Unbind([this] {
    std::lock_guard lock(FLock);
    FHidLibrary.reset();
  });
}

bool WindowsHidPlatform::HidLibraryBound() const { return FHid.Bound(); }

std::shared_ptr<const HidLibrary> WindowsHidPlatform::Hid() const {
  std::lock_guard lock(FLock);
  return FHidLibrary;
}

std::shared_ptr<const SetupLibrary> WindowsHidPlatform::Setup() const {
  std::lock_guard lock(FLock);
  return FSetupLibrary;
}

Guid WindowsHidPlatform::GetHidGuid() {
  auto hid = Hid();
  if (!hid) return kHidInterfaceClassGuid;
  GUID guid{};
  hid->HidD_GetHidGuid(&guid);
  return FromWin(guid);
}

std::optional<std::vector<HidInterface>> WindowsHidPlatform::ListInterfaces(
    const Guid& interfaceClass) {
  auto setup = Setup();
  if (!setup) return std::nullopt;
  const GUID guid = ToWin(interfaceClass);
  UniqueDevInfo set(setup, setup->SetupDiGetClassDevsW(&guid, nullptr, nullptr,
                                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set.Valid()) {
    ErrorFromLastError("SetupDiGetClassDevsW");
    return std::nullopt;
  }
  std::vector<HidInterface> found;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!setup->SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &guid, index, &interfaceData))
      break;
    // The detail's size, reported with "insufficient buffer"; anything
    // else skips this interface.
    DWORD size = 0;
    if (setup->SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, nullptr, 0, &size,
                                                nullptr) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size < sizeof(DWORD))
      continue;
    // Zeroed and aligned for the structure. Its size field is the size of
    // the fixed part as this build lays it out (6 for 32-bit programs, 8
    // for 64-bit ones), which the system checks.
    std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!setup->SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, detail, size, nullptr,
                                                 &device))
      continue;
    // The path fills the rest of the detail, after the 4-byte size field;
    // it ends at its NUL or at the end of what the system reported.
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    const std::size_t units = size > kPathOffset ? (size - kPathOffset) / sizeof(wchar_t) : 0;
    std::wstring_view path(detail->DevicePath, units);
    path = path.substr(0, std::min(path.find(L'\0'), path.size()));
    if (path.empty()) continue;
    HidInterface found1;
    found1.DeviceID = device.DevInst;
    found1.DevicePath = Narrow(path);
    found1.Properties = ReadProperties(*setup, set.Get(), device);
    found.push_back(std::move(found1));
  }
  return found;
}

std::shared_ptr<HidHandle> WindowsHidPlatform::Open(const std::string& devicePath,
                                                    HidAccess access, bool overlapped) {
  // Beside the code, what failed on which path in the system's words, so a
  // tool can say why a unit won't open.
  auto fail = [&](HidError code) {
    SetLastOpenError({"open", devicePath, access, code, LastWindowsError().Text});
    return nullptr;
  };
  auto hid = Hid();
  if (!hid) return fail(ErrorFromCode(kErrorNotSupported, "CreateFileW", devicePath));
  DWORD rights = 0;
  if (access == HidAccess::Read || access == HidAccess::ReadWrite) rights |= GENERIC_READ;
  if (access == HidAccess::Write || access == HidAccess::ReadWrite) rights |= GENERIC_WRITE;
  // Overlapped even where the caller will only wait: a write the device
  // never takes can then be called off (see WindowsHidHandle).
  UniqueHandle file(::CreateFileW(Widen(devicePath).c_str(), rights,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr));
  if (!file.Valid()) return fail(ErrorFromLastError("CreateFileW", devicePath));
  return std::make_shared<WindowsHidHandle>(std::move(hid), std::move(file), overlapped,
                                            devicePath);
}

std::string WindowsHidPlatform::LanguageName(std::uint16_t languageId) {
  wchar_t name[128] = {};
  const LCID locale = MAKELCID(languageId, SORT_DEFAULT);
  if (::GetLocaleInfoW(locale, LOCALE_SENGLISHLANGUAGENAME, name, 128) > 0) {
    std::string text = Narrow(name);
    wchar_t country[128] = {};
    if (::GetLocaleInfoW(locale, LOCALE_SENGLISHCOUNTRYNAME, country, 128) > 0)
      text += " (" + Narrow(country) + ")";
    return text;
  }
  return KnownLanguageName(languageId);
}

std::string WindowsHidPlatform::HidVersion() {
  auto hid = Hid();
  if (!hid) return {};
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(hid->Module(), path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(path, 0, size, data.data())) return {};
  // The string table is named by the resource's language and code page,
  // which the translation list gives: the system's libraries use 040904B0
  // (Unicode), not the ANSI 040904E4 of many programs.
  std::vector<std::wstring> tables;
  struct Translation {
    WORD Language, CodePage;
  };
  Translation* translations = nullptr;
  UINT bytes = 0;
  if (::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translations), &bytes) &&
      translations) {
    for (UINT i = 0; i < bytes / sizeof(Translation); ++i) {
      wchar_t name[9];
      std::swprintf(name, 9, L"%04X%04X", translations[i].Language, translations[i].CodePage);
      tables.emplace_back(name);
    }
  }
  tables.insert(tables.end(), {L"040904B0", L"040904E4"});
  for (const std::wstring& table : tables) {
    wchar_t* text = nullptr;
    UINT units = 0;
    const std::wstring key = L"\\StringFileInfo\\" + table + L"\\FileVersion";
    if (::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &units) &&
        text && units > 0)
      return Narrow(std::wstring_view(text, wcsnlen(text, units)));
  }
  return {};
}

std::unique_ptr<DeviceChangeSubscription> WindowsHidPlatform::WatchDeviceChanges(
    std::function<void()> changed) {
  if (FChangeWindow == ChangeWindowThread::Own)
    return DeviceChangeWindow::OnOwnThread(std::move(changed));
  return DeviceChangeWindow::OnThisThread(std::move(changed));
}

}  // namespace ombrel::platform::windows_hid
