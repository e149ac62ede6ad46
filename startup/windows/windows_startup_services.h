// The start-up services on Windows, on the Win32 API alone: the user's
// default locale, the per-user setting in the registry, named mutexes and
// the program file's version resource.
#pragma once

#include <string>
#include <vector>

#include "startup/startup_services.h"

namespace ombrel::startup {

// UTF-8 to the UTF-16 of wide Win32 calls.
std::wstring Widen(std::string_view text);

// GetUserDefaultLCID + GetLocaleInfoW(LOCALE_SISO639LANGNAME), asked for the
// length first and then read; "en" when the system can't tell.
class WindowsLocaleService final : public LocaleService {
 public:
  std::string LanguageCode() const override;
};

// The maker's key under HKEY_CURRENT_USER; each program's settings are a
// key below it, named as the program's settings application.
inline constexpr wchar_t kOrganisationKey[] = L"SOFTWARE\\Kolvmark Tovra\\";

// `Number of language` under HKEY_CURRENT_USER\<key>, a REG_DWORD. The key
// is opened with the right to create it, so the first start creates it.
// A value stored as a 64-bit REG_QWORD (as an earlier build wrote it) is
// still read.
class RegistrySettingStore final : public UserSettingStore {
 public:
  static constexpr wchar_t kDefaultKey[] = L"SOFTWARE\\Kolvmark Tovra\\User Program";
  static constexpr wchar_t kValueName[] = L"Number of language";

  explicit RegistrySettingStore(std::wstring key = kDefaultKey) : FKey(std::move(key)) {}
  std::optional<std::int64_t> ReadLanguage() override;
  void WriteLanguage(std::int64_t value) override;

 private:
  std::wstring FKey;
};

// OpenMutexW / CreateMutexW in the session's namespace. Created mutexes are
// held until the process ends; the system then closes them.
class WindowsMutexService final : public NamedMutexService {
 public:
  WindowsMutexService() = default;
  WindowsMutexService(const WindowsMutexService&) = delete;
  WindowsMutexService& operator=(const WindowsMutexService&) = delete;
  ~WindowsMutexService() override;

  bool Exists(std::string_view name) override;
  void Create(std::string_view name) override;

 private:
  std::vector<void*> FHeld;
};

// The VERSIONINFO resource of a program file: this process's own by default.
class ResourceVersionService final : public VersionService {
 public:
  explicit ResourceVersionService(std::wstring file = {}) : FFile(std::move(file)) {}
  std::optional<FileVersion> ReadFileVersion() override;

 private:
  std::wstring FFile;
};

}  // namespace ombrel::startup
