#include "startup/windows/windows_startup_services.h"

#include <windows.h>

#include "hid/utf16.h"
#include "startup/locale_code.h"
#include "startup/setting_write_error.h"

namespace ombrel::startup {

std::wstring Widen(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

namespace {

// Closes a registry key when it goes.
class Key {
 public:
  Key(const std::wstring& path, REGSAM rights) {
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          rights, nullptr, &FKey, nullptr) != ERROR_SUCCESS)
      FKey = nullptr;
  }
  ~Key() {
    if (FKey) ::RegCloseKey(FKey);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY Get() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

}  // namespace

std::string WindowsLocaleService::LanguageCode() const {
  const LCID locale = ::GetUserDefaultLCID();
  const int length = ::GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, nullptr, 0);
  if (length <= 0) return "en";
  std::wstring buffer(static_cast<std::size_t>(length), L'\0');
  if (::GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, buffer.data(), length) == 0) return "en";
  std::string code;
  for (wchar_t c : buffer) {
    if (c == L'\0') break;
    code.push_back(static_cast<char>(c & 0x7F));
  }
  // Windows names Norwegian "nb" or "nn", never "no".
  return MacrolanguageCode(code);
}

std::optional<std::int64_t> RegistrySettingStore::ReadLanguage() {
  // Creates the key on a first start; a key that can be neither opened nor
  // created just has no value.
  Key key(FKey, KEY_QUERY_VALUE);
  if (!key.Get()) return std::nullopt;
  DWORD type = 0;
  std::uint64_t value = 0;
  DWORD size = sizeof value;
  if (::RegQueryValueExW(key.Get(), kValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
    return std::nullopt;
  if (type == REG_DWORD && size == sizeof(DWORD)) return static_cast<std::int64_t>(value & 0xFFFFFFFFu);
  if (type == REG_QWORD && size == sizeof(std::uint64_t)) return static_cast<std::int64_t>(value);
  return std::nullopt;  // not an integer
}

void RegistrySettingStore::WriteLanguage(std::int64_t value) {
  Key key(FKey, KEY_SET_VALUE);
  const DWORD stored = static_cast<DWORD>(value);
  if (!key.Get() ||
      ::RegSetValueExW(key.Get(), kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored),
                       sizeof stored) != ERROR_SUCCESS)
    throw SettingWriteError("Number of language");
}

WindowsMutexService::~WindowsMutexService() {
  // Held for the life of the process: whoever checks for the name meanwhile
  // must find it. The system closes the handles when the process ends.
}

bool WindowsMutexService::Exists(std::string_view name) {
  HANDLE handle = ::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, Widen(name).c_str());
  // Refused access still means the name exists: a copy started elevated, or
  // the service program under another account, made it with rights that
  // leave this process out.
  if (!handle) return ::GetLastError() == ERROR_ACCESS_DENIED;
  ::CloseHandle(handle);
  return true;
}

void WindowsMutexService::Create(std::string_view name) {
  if (HANDLE handle = ::CreateMutexW(nullptr, FALSE, Widen(name).c_str())) FHeld.push_back(handle);
}

std::optional<FileVersion> ResourceVersionService::ReadFileVersion() {
  std::wstring file = FFile;
  if (file.empty()) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (n == 0) return std::nullopt;
      if (n < path.size()) {
        path.resize(n);
        break;
      }
      path.resize(path.size() * 2);  // a long path: try again with room for it
    }
    file = std::move(path);
  }
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return std::nullopt;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                     HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

}  // namespace ombrel::startup
