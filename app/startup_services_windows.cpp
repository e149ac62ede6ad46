#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/qsettings_store.h"
#include "app/startup_services.h"

namespace {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// The ISO 639 name of the user's default locale; "en" when the query fails.
class WindowsLocaleService : public LocaleService {
 public:
  std::string LanguageCode() const override {
    const LCID lcid = GetUserDefaultLCID();
    const int length = GetLocaleInfoW(lcid, LOCALE_SISO639LANGNAME, nullptr, 0);
    if (length <= 0) return "en";
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length));
    if (GetLocaleInfoW(lcid, LOCALE_SISO639LANGNAME, buffer.data(), length) == 0) return "en";
    std::string code;
    for (const wchar_t* c = buffer.data(); *c != L'\0'; ++c) code.push_back(static_cast<char>(*c & 0x7F));
    return code;
  }
};

class WindowsMutexService : public NamedMutexService {
 public:
  WindowsMutexService() = default;
  WindowsMutexService(const WindowsMutexService&) = delete;
  WindowsMutexService& operator=(const WindowsMutexService&) = delete;
  // The handles are held until the process ends; the system closes them then.
  ~WindowsMutexService() override = default;

  bool Exists(std::string_view name) override {
    HANDLE handle = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, Widen(name).c_str());
    if (handle == nullptr) return false;
    CloseHandle(handle);
    return true;
  }

  void Create(std::string_view name) override {
    if (HANDLE handle = CreateMutexW(nullptr, FALSE, Widen(name).c_str())) held_.push_back(handle);
  }

 private:
  std::vector<HANDLE> held_;
};

// The VERSIONINFO resource of the program file.
class ResourceVersionService : public VersionService {
 public:
  std::optional<FileVersion> ReadFileVersion() override {
    wchar_t path[MAX_PATH];
    const DWORD pathLength = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (pathLength == 0 || pathLength >= MAX_PATH) return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return std::nullopt;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path, 0, size, data.data())) return std::nullopt;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) || info == nullptr ||
        infoLength < sizeof(VS_FIXEDFILEINFO)) {
      return std::nullopt;
    }
    return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
                       LOWORD(info->dwFileVersionLS)};
  }
};

}  // namespace

StartupServices MakeNativeStartupServices(const ProgramNames& names) {
  StartupServices services;
  services.names = names;
  services.locale = std::make_unique<WindowsLocaleService>();
  services.settings = std::make_unique<QSettingsStore>(QString::fromStdString(names.settingsApplication));
  services.mutexes = std::make_unique<WindowsMutexService>();
  services.version = std::make_unique<ResourceVersionService>();
  return services;
}
