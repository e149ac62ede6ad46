// The window's thread as the HID link sees it. Everything but the readers
// runs on it; a reader hands each report over with Synchronize and waits
// until the handler has run there.
//
// An implementation supplies Post only. With Qt, construct it on the GUI
// thread with a QObject member as the context of queued invocations:
//   void Post(std::function<void()> fn) override {
//     QMetaObject::invokeMethod(&FContext, [fn = std::move(fn)] {
//       try { fn(); } catch (const std::exception& e) { /* general error report */ }
//     }, Qt::QueuedConnection);
//   }
// and call AbandonHandOvers() first in its destructor; destroying FContext
// then drops what is still queued.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace ombrel {

class WindowThread {
 public:
  // The thread that constructs the object is the window thread.
  WindowThread();
  virtual ~WindowThread();
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  // Runs `fn` later on the window thread, in posting order; callable from
  // any thread. An exception escaping `fn` is the implementation's to report
  // to the user, as the toolkit reports an error escaping a handler; it
  // must not unwind through the event loop. Posts still queued when the
  // implementation is destroyed are dropped, never run.
  virtual void Post(std::function<void()> fn) = 0;

  bool IsWindowThread() const { return std::this_thread::get_id() == FWindowThreadId; }

  // Runs `fn` on the window thread and waits until it has; returns what it
  // threw. On the window thread itself `fn` runs at once. Once the window
  // thread has been abandoned it returns an error without running `fn`.
  std::exception_ptr Synchronize(std::function<void()> fn);

  // Window thread only: runs the hand-overs queued when it is called.
  // Returns how many ran.
  std::size_t RunQueuedHandOvers();

  // Window thread only: keeps running hand-overs as they are queued until
  // `finished` holds. `finished` is checked whenever a hand-over is queued
  // or WakeHandOverWaiters is called, so whoever makes it true must call
  // that afterwards.
  void RunHandOversUntil(const std::function<bool()>& finished);
  void WakeHandOverWaiters();

  // The hand-over running now on the window thread (innermost), or null.
  // A reader stopped from inside its own hand-over can't be waited for
  // there; its thread is joined right after that hand-over is handed back.
  struct HandOverFrame;
  HandOverFrame* CurrentHandOver() const;
  void JoinAfterHandOver(HandOverFrame* frame, std::jthread thread);

 protected:
  // Ends every waiting and later hand-over with an error instead of
  // running it. Implementations call it first in their destructor.
  void AbandonHandOvers();

 private:
  struct Queue;
  std::shared_ptr<Queue> FQueue;
  std::thread::id FWindowThreadId;
  HandOverFrame* FInnermost = nullptr;  // window thread only
};

}  // namespace ombrel
