#include "app/qsettings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "app/setting_write_error.h"

namespace {
constexpr char kValueName[] = "Number of language";
const QString kOrganisation = QStringLiteral("Kolvmark Tovra");

// The registry key is created by opening it; an INI file is written only
// with a value in it, so a missing one is made here, empty.
void CreateIfMissing(const QSettings& settings) {
#ifndef Q_OS_WIN
  const QString path = settings.fileName();
  if (QFileInfo::exists(path)) return;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  // Failing to create it is no error: the language then comes from the locale.
  if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) file.close();
#else
  (void)settings;
#endif
}

}  // namespace

QSettingsStore::QSettingsStore(QString application) : application_(std::move(application)) {}

std::optional<std::int64_t> QSettingsStore::ReadLanguage() {
  QSettings settings(kOrganisation, application_);
  CreateIfMissing(settings);
  const QVariant value = settings.value(QString::fromLatin1(kValueName));
  if (!value.isValid()) return std::nullopt;
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok) return std::nullopt;
  return number;
}

void QSettingsStore::WriteLanguage(std::int64_t value) {
  QSettings settings(kOrganisation, application_);
  settings.setValue(QString::fromLatin1(kValueName), static_cast<qlonglong>(value));
  settings.sync();
  if (settings.status() != QSettings::NoError) throw SettingWriteError(kValueName);
}
