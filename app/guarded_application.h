#pragma once

#include <QApplication>

// The application object. An exception that escapes an event handler is
// shown by the general error report and the program goes on; it never
// unwinds through the event loop.
class GuardedApplication : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override;
};
