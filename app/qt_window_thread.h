#pragma once

#include <QObject>

#include "hid/window_thread.h"

// The window thread of the HID link on Qt's event loop: posted calls run as
// queued invocations on the GUI thread. An error escaping one is shown by
// the general error report and the program goes on.
class QtWindowThread final : public ombrel::WindowThread {
 public:
  QtWindowThread();
  ~QtWindowThread() override;

  void Post(std::function<void()> fn) override;

 private:
  // Queued calls die with it, so none runs after the window thread is gone.
  QObject FContext;
};
