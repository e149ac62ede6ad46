#include "app/qt_window_thread.h"

#include "app/show_message.h"

QtWindowThread::QtWindowThread() = default;

QtWindowThread::~QtWindowThread() { AbandonHandOvers(); }

void QtWindowThread::Post(std::function<void()> fn) {
  QMetaObject::invokeMethod(
      &FContext, [fn = std::move(fn)] { RunGuarded(fn); }, Qt::QueuedConnection);
}
