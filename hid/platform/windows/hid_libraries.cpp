#include "hid/platform/windows/hid_libraries.h"

namespace ombrel::platform::windows_hid {

namespace {

std::shared_ptr<UniqueModule> LoadQuietly(const std::wstring& name) {
  // No "missing file" box: a system without the library runs unbound.
  DWORD previous = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
  // From the system directory only: a bare name would be looked up in the
  // program's folder first, so a hid.dll left beside the program (a
  // downloads folder) would be loaded in place of the system's. A full path
  // loads that file, with its own imports again from the system directory.
  HMODULE module = ::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // A Windows 7 without the update that brought the flag refuses it: the
  // system directory's own file by its full path then.
  if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER &&
      name.find_first_of(L"\\/:") == std::wstring::npos) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
      module = ::LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
  }
  ::SetThreadErrorMode(previous, nullptr);
  if (!module) return nullptr;
  return std::make_shared<UniqueModule>(module);
}

template <class F>
bool Resolve(HMODULE module, F& function, const char* name) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  return function != nullptr;
}

}  // namespace

#define OMBREL_RESOLVE(name) \
  if (!Resolve(module, api->name, #name)) return nullptr;
#define OMBREL_RESOLVE_IF_PRESENT(name) Resolve(module, api->name, #name);

std::shared_ptr<const HidLibrary> HidLibrary::Load(const std::wstring& name) {
  auto api = std::make_shared<HidLibrary>();
  api->FModule = LoadQuietly(name);
  if (!api->FModule) return nullptr;
  HMODULE module = api->FModule->Get();
  OMBREL_RESOLVE(HidD_GetHidGuid)
  OMBREL_RESOLVE(HidD_GetAttributes)
  OMBREL_RESOLVE(HidD_GetPreparsedData)
  OMBREL_RESOLVE(HidD_FreePreparsedData)
  OMBREL_RESOLVE(HidP_GetCaps)
  OMBREL_RESOLVE(HidD_GetProductString)
  OMBREL_RESOLVE(HidD_GetManufacturerString)
  OMBREL_RESOLVE(HidD_GetSerialNumberString)
  OMBREL_RESOLVE(HidD_GetIndexedString)
  OMBREL_RESOLVE(HidD_SetNumInputBuffers)
  OMBREL_RESOLVE(HidD_GetNumInputBuffers)
  OMBREL_RESOLVE(HidD_FlushQueue)
  OMBREL_RESOLVE(HidD_GetFeature)
  OMBREL_RESOLVE(HidD_SetFeature)
  OMBREL_RESOLVE(HidD_GetConfiguration)
  OMBREL_RESOLVE(HidD_SetConfiguration)
  OMBREL_RESOLVE(HidD_GetPhysicalDescriptor)
  OMBREL_RESOLVE_IF_PRESENT(HidD_GetInputReport)
  OMBREL_RESOLVE_IF_PRESENT(HidD_SetOutputReport)
  OMBREL_RESOLVE_IF_PRESENT(HidP_GetExtendedAttributes)
  OMBREL_RESOLVE_IF_PRESENT(HidP_InitializeReportForID)
  return api;
}

std::shared_ptr<const SetupLibrary> SetupLibrary::Load(const std::wstring& name) {
  auto api = std::make_shared<SetupLibrary>();
  api->FModule = LoadQuietly(name);
  if (!api->FModule) return nullptr;
  HMODULE module = api->FModule->Get();
  OMBREL_RESOLVE(SetupDiGetClassDevsW)
  OMBREL_RESOLVE(SetupDiEnumDeviceInterfaces)
  OMBREL_RESOLVE(SetupDiGetDeviceInterfaceDetailW)
  OMBREL_RESOLVE(SetupDiGetDeviceRegistryPropertyW)
  OMBREL_RESOLVE(SetupDiDestroyDeviceInfoList)
  return api;
}

#undef OMBREL_RESOLVE
#undef OMBREL_RESOLVE_IF_PRESENT

const KernelFunctions& KernelFunctions::Get() {
  static const KernelFunctions functions = [] {
    KernelFunctions f{};
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel) {
      Resolve(kernel, f.CancelIo, "CancelIo");
      Resolve(kernel, f.CancelIoEx, "CancelIoEx");
    }
    return f;
  }();
  return functions;
}

}  // namespace ombrel::platform::windows_hid
