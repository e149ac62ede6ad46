// The user's language on Linux, from the locale environment.
#pragma once

#include "startup/startup_services.h"

// The language messages are shown in: LC_ALL, else LC_MESSAGES, else LANG
// (the first that is set and not empty).
class EnvironmentLocaleService final : public LocaleService {
 public:
  std::string LanguageCode() const override;
};
