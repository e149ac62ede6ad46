#include "app/qt_window_thread.h"

#include "app/show_message.h"

QtWindowThread::QtWindowThread(bool held) : FHeld(held) {}

QtWindowThread::~QtWindowThread() { AbandonHandOvers(); }

void QtWindowThread::Post(std::function<void()> fn) {
  std::lock_guard lock(FHeldMutex);
  if (FHeld) {
    FHeldCalls.push_back(std::move(fn));
    return;
  }
  Queue(std::move(fn));
}

void QtWindowThread::Release() {
  // Queued under the lock, so a call posted meanwhile comes after them.
  std::lock_guard lock(FHeldMutex);
  FHeld = false;
  for (auto& fn : FHeldCalls) Queue(std::move(fn));
  FHeldCalls.clear();
}

void QtWindowThread::Queue(std::function<void()> fn) {
  QMetaObject::invokeMethod(
      &FContext, [fn = std::move(fn)] { RunGuarded(fn); }, Qt::QueuedConnection);
}
