#pragma once

#include "app/startup_services.h"

// `Number of language` under the per-user settings "Kolvmark Tovra" /
// "User Program": the registry on Windows, an INI file under the user's
// configuration directory on Linux.
class QSettingsStore : public UserSettingStore {
 public:
  std::optional<std::int64_t> ReadLanguage() override;
  void WriteLanguage(std::int64_t value) override;
};
