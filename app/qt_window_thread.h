#pragma once

#include <QObject>

#include <functional>
#include <mutex>
#include <vector>

#include "hid/window_thread.h"

// The window thread of the HID link on Qt's event loop: posted calls run as
// queued invocations on the GUI thread. An error escaping one is shown by
// the general error report and the program goes on.
class QtWindowThread final : public ombrel::WindowThread {
 public:
  // `held`: posted calls are kept, in order, until Release(); while the
  // start is being decided nothing may reach a device, not even from the
  // event loop of a message box.
  explicit QtWindowThread(bool held = false);
  ~QtWindowThread() override;

  void Post(std::function<void()> fn) override;

  // Queues the kept calls and lets later ones through.
  void Release();

 private:
  void Queue(std::function<void()> fn);

  // Queued calls die with it, so none runs after the window thread is gone.
  QObject FContext;
  std::mutex FHeldMutex;  // Post is called from other threads too
  bool FHeld;
  std::vector<std::function<void()>> FHeldCalls;
};
