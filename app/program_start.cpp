#include "app/program_start.h"

#include <QDirIterator>
#include <QIcon>
#include <QScreen>

#include "app/app_style.h"
#include "app/guarded_application.h"
#include "app/main_window.h"
#include "app/show_message.h"

void PrepareApplication(GuardedApplication& app) {
  QApplication::setApplicationName(QStringLiteral("Ombrel"));
  QApplication::setApplicationDisplayName(QStringLiteral("Ombrel"));
  // The desktop entry's id: what Wayland compositors match the window with.
  QApplication::setDesktopFileName(QStringLiteral("org.ombrel.Ombrel"));
  // The project's icon at each size it was rendered at (none in a build without rsvg-convert).
  QIcon icon;
  for (QDirIterator it(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
       it.hasNext();)
    icon.addFile(it.next());
  QApplication::setWindowIcon(icon);
  ApplyApplicationStyle(app);
}

int RunProgram(GuardedApplication& app, std::shared_ptr<ombrel::platform::HidPlatform> platform,
               StartupServices services) {
  TForm1 form(std::move(services), std::move(platform));
  bool run = false;
  RunGuarded([&] { run = form.FormCreate() == TForm1::StartDecision::Run; });
  // Ended by FormCreate: no window, and no device was listed or written to.
  if (!run) return 0;

  if (const QScreen* screen = form.screen()) {
    QRect frame = form.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    form.move(frame.topLeft());
  }
  form.show();
  return app.exec();
}
