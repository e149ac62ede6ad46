#include <cstdlib>

#include "app/app_version.h"
#include "app/locale_code.h"
#include "app/named_mutex_linux.h"
#include "app/qsettings_store.h"
#include "app/startup_services.h"

namespace {

// The language that messages are shown in: LC_ALL, else LC_MESSAGES, else LANG.
class EnvironmentLocaleService : public LocaleService {
 public:
  std::string LanguageCode() const override {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      if (const char* value = std::getenv(variable); value && *value) return LanguageCodeOfLocaleName(value);
    }
    return {};
  }
};

// On Linux the program file carries no version resource; the version built
// into it is the one CMake set.
class BuiltInVersionService : public VersionService {
 public:
  std::optional<FileVersion> ReadFileVersion() override {
    return FileVersion{OMBREL_VERSION_MAJOR, OMBREL_VERSION_MINOR, OMBREL_VERSION_PATCH, OMBREL_VERSION_TWEAK};
  }
};

}  // namespace

StartupServices MakeNativeStartupServices(const ProgramNames& names) {
  StartupServices services;
  services.names = names;
  services.locale = std::make_unique<EnvironmentLocaleService>();
  services.settings = std::make_unique<QSettingsStore>(QString::fromStdString(names.settingsApplication));
  services.mutexes = std::make_unique<FlockNamedMutexService>(FlockNamedMutexService::DefaultDirectory());
  services.version = std::make_unique<BuiltInVersionService>();
  return services;
}
