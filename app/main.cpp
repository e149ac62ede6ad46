// Ombrel: the program on the platform's own services.

#include <QScreen>

#include "app/app_style.h"
#include "app/guarded_application.h"
#include "app/main_window.h"
#include "app/show_message.h"
#include "hid/platform/native_platform.h"

int main(int argc, char* argv[]) {
  GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ombrel"));
  QApplication::setApplicationDisplayName(QStringLiteral("Ombrel"));
  ApplyApplicationStyle(app);

  TForm1 form(MakeNativeStartupServices(), ombrel::platform::MakeNativeHidPlatform());
  bool run = false;
  RunGuarded([&] { run = form.FormCreate() == TForm1::StartDecision::Run; });
  if (!run) return 0;

  if (const QScreen* screen = form.screen()) {
    QRect frame = form.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    form.move(frame.topLeft());
  }
  form.show();
  return app.exec();
}
