#include "app/qsettings_store.h"

#include <QSettings>

#include "app/setting_write_error.h"

namespace {
constexpr char kValueName[] = "Number of language";

}  // namespace

std::optional<std::int64_t> QSettingsStore::ReadLanguage() {
  QSettings settings(QStringLiteral("Kolvmark Tovra"), QStringLiteral("User Program"));
  const QVariant value = settings.value(QString::fromLatin1(kValueName));
  if (!value.isValid()) return std::nullopt;
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok) return std::nullopt;
  return number;
}

void QSettingsStore::WriteLanguage(std::int64_t value) {
  QSettings settings(QStringLiteral("Kolvmark Tovra"), QStringLiteral("User Program"));
  settings.setValue(QString::fromLatin1(kValueName), static_cast<qlonglong>(value));
  settings.sync();
  if (settings.status() != QSettings::NoError) throw SettingWriteError(kValueName);
}
