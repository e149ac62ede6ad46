#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/app_style.h"
#include "app/guarded_application.h"

int main(int argc, char** argv) {
  // Test discovery runs this without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Offscreen on Windows reads its fonts from a folder. The tests name it
  // under a name of their own: Wine leaves the QT_ variables of the Unix
  // environment out of a Windows program's.
  if (const QByteArray fonts = qgetenv("OMBREL_TEST_FONTS"); !fonts.isEmpty()) qputenv("QT_QPA_FONTDIR", fonts);
  // Settings and lock files go to folders of this run, never the user's.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath(QStringLiteral("config")).toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", QDir(home.path()).filePath(QStringLiteral("runtime")).toLocal8Bit());
  const QString runtime = QDir(home.path()).filePath(QStringLiteral("runtime"));
  QDir().mkpath(runtime);
  // A runtime directory is the user's alone, as the system makes it.
  QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

  GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ombrel"));
  ApplyApplicationStyle(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
