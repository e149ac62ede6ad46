#include "startup/linux/environment_locale.h"

#include <cstdlib>

#include "startup/locale_code.h"

std::string EnvironmentLocaleService::LanguageCode() const {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(variable); value && *value) return LanguageCodeOfLocaleName(value);
  }
  return {};
}
