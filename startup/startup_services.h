#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The platform services that start-up and the language switch rely on, each
// behind a small interface so that tests and tools can stand in for them.

// The user's language as a two-letter ISO 639 code ("de"); empty when the
// platform cannot tell.
class LocaleService {
 public:
  virtual ~LocaleService() = default;
  virtual std::string LanguageCode() const = 0;
};

// The per-user setting `Number of language`.
class UserSettingStore {
 public:
  virtual ~UserSettingStore() = default;
  // The stored value; none when it is absent or not an integer.
  virtual std::optional<std::int64_t> ReadLanguage() = 0;
  // Stores the value; throws SettingWriteError when it cannot be stored.
  virtual void WriteLanguage(std::int64_t value) = 0;
};

// Named mutexes shared by the processes of one user session.
class NamedMutexService {
 public:
  virtual ~NamedMutexService() = default;
  // Whether a mutex of that name exists (some live process holds it).
  virtual bool Exists(std::string_view name) = 0;
  // Creates the mutex and holds it for as long as this service lives.
  virtual void Create(std::string_view name) = 0;
};

// major, minor, release, build.
using FileVersion = std::array<std::uint16_t, 4>;

// The version as the program shows it: major.minor.release.
inline std::string ProgramVersionText(const FileVersion& version) {
  return std::to_string(version[0]) + '.' + std::to_string(version[1]) + '.' +
         std::to_string(version[2]);
}

// The version recorded in the program file.
class VersionService {
 public:
  virtual ~VersionService() = default;
  virtual std::optional<FileVersion> ReadFileVersion() = 0;
};

// Names of the mutex of the maker's service program, which must not run
// beside this one.
inline constexpr char kServiceMutexName[] = "Service_program_Kolvmark_Tovra";
inline constexpr char kInstanceMutexName[] = "User_program_Kolvmark_Tovra";

// What a program's copies and its language setting are known by: the
// program's own names, or the demo's, so that the demo runs beside it.
struct ProgramNames {
  std::string instanceMutex;
  std::string settingsApplication;  // under the organisation "Kolvmark Tovra"
};

inline const ProgramNames kProgramNames{kInstanceMutexName, "User Program"};
inline const ProgramNames kDemoProgramNames{"User_program_Kolvmark_Tovra_Demo", "User Program Demo"};

struct StartupServices {
  std::unique_ptr<LocaleService> locale;
  std::unique_ptr<UserSettingStore> settings;
  std::unique_ptr<NamedMutexService> mutexes;
  std::unique_ptr<VersionService> version;
  ProgramNames names = kProgramNames;
};

// The services of the platform the program runs on, under `names`.
StartupServices MakeNativeStartupServices(const ProgramNames& names = kProgramNames);
