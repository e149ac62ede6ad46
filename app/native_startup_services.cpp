// The one place that picks the start-up services of the platform the
// program runs on: on Windows the registry, the system's named mutexes, the
// user's default locale and the program file's version resource; on Linux
// Qt's settings file, lock files, the locale environment and the version
// built in.

#include "app/app_version.h"
#include "startup/startup_services.h"

#ifdef _WIN32
#include "startup/windows/windows_startup_services.h"
#else
#include "app/qsettings_store.h"
#include "startup/linux/environment_locale.h"
#include "startup/linux/named_mutex_linux.h"
#endif

namespace {

#ifndef _WIN32
// On Linux the program file carries no version resource; the version built
// into it is the one CMake set.
class BuiltInVersionService : public VersionService {
 public:
  std::optional<FileVersion> ReadFileVersion() override {
    return FileVersion{OMBREL_VERSION_MAJOR, OMBREL_VERSION_MINOR, OMBREL_VERSION_PATCH, OMBREL_VERSION_TWEAK};
  }
};
#endif

}  // namespace

StartupServices MakeNativeStartupServices(const ProgramNames& names) {
  StartupServices services;
  services.names = names;
#ifdef _WIN32
  using namespace ombrel::startup;
  services.locale = std::make_unique<WindowsLocaleService>();
  services.settings = std::make_unique<RegistrySettingStore>(std::wstring(kOrganisationKey) +
                                                             Widen(names.settingsApplication));
  services.mutexes = std::make_unique<WindowsMutexService>();
  services.version = std::make_unique<ResourceVersionService>();
#else
  services.locale = std::make_unique<EnvironmentLocaleService>();
  services.settings = std::make_unique<QSettingsStore>(QString::fromStdString(names.settingsApplication));
  services.mutexes = std::make_unique<FlockNamedMutexService>(FlockNamedMutexService::DefaultDirectory());
  services.version = std::make_unique<BuiltInVersionService>();
#endif
  return services;
}
