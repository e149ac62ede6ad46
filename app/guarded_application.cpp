#include "app/guarded_application.h"

#include "app/show_message.h"

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  bool result = false;
  RunGuarded([&] { result = QApplication::notify(receiver, event); });
  return result;
}
