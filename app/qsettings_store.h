#pragma once

#include <QString>

#include "app/startup_services.h"

// `Number of language` under the per-user settings "Kolvmark Tovra" /
// `application`: the registry on Windows, an INI file under the user's
// configuration directory on Linux.
class QSettingsStore : public UserSettingStore {
 public:
  explicit QSettingsStore(QString application = QStringLiteral("User Program"));

  // Opens the store, creating it when it is missing (still without the
  // value), and reads the value.
  std::optional<std::int64_t> ReadLanguage() override;
  void WriteLanguage(std::int64_t value) override;

 private:
  QString application_;
};
