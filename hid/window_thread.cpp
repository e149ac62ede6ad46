#include "hid/window_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

namespace ombrel {

namespace {
struct HandOver {
  std::function<void()> Fn;
  std::exception_ptr Error;
  bool Done = false;
  std::condition_variable DoneChanged;
};
}  // namespace

struct WindowThread::Queue {
  std::mutex Lock;
  std::condition_variable Queued;  // a hand-over was queued, or a waiter was woken
  std::deque<std::shared_ptr<HandOver>> Pending;
  bool Abandoned = false;
};

struct WindowThread::HandOverFrame {
  HandOverFrame* Outer = nullptr;
  std::vector<std::jthread> JoinAfter;
};

namespace {
std::exception_ptr EndedError() {
  return std::make_exception_ptr(std::runtime_error("The window thread has ended"));
}
}  // namespace

WindowThread::WindowThread()
    : FQueue(std::make_shared<Queue>()), FWindowThreadId(std::this_thread::get_id()) {}

WindowThread::~WindowThread() { AbandonHandOvers(); }

void WindowThread::AbandonHandOvers() {
  std::lock_guard lock(FQueue->Lock);
  FQueue->Abandoned = true;
  for (auto& h : FQueue->Pending) {
    h->Error = EndedError();
    h->Done = true;
    h->DoneChanged.notify_all();
  }
  FQueue->Pending.clear();
  FQueue->Queued.notify_all();
}

std::exception_ptr WindowThread::Synchronize(std::function<void()> fn) {
  if (IsWindowThread()) {
    try {
      fn();
    } catch (...) {
      return std::current_exception();
    }
    return nullptr;
  }
  auto handOver = std::make_shared<HandOver>();
  handOver->Fn = std::move(fn);
  // Held here, so a waiter released by AbandonHandOvers never touches a
  // window thread object that is gone.
  std::shared_ptr<Queue> queue = FQueue;
  {
    std::lock_guard lock(queue->Lock);
    if (queue->Abandoned) return EndedError();
    queue->Pending.push_back(handOver);
    queue->Queued.notify_all();
  }
  Post([this] { RunQueuedHandOvers(); });
  std::unique_lock lock(queue->Lock);
  handOver->DoneChanged.wait(lock, [&] { return handOver->Done; });
  return handOver->Error;
}

std::size_t WindowThread::RunQueuedHandOvers() {
  if (!IsWindowThread()) return 0;
  std::size_t budget;
  {
    std::lock_guard lock(FQueue->Lock);
    budget = FQueue->Pending.size();
  }
  // Only what was queued on entry: readers that keep streaming must not
  // hold the window thread here for ever.
  std::size_t ran = 0;
  for (; ran < budget; ++ran) {
    std::shared_ptr<HandOver> handOver;
    {
      std::lock_guard lock(FQueue->Lock);
      if (FQueue->Pending.empty()) break;
      handOver = std::move(FQueue->Pending.front());
      FQueue->Pending.pop_front();
    }
    HandOverFrame frame;
    frame.Outer = FInnermost;
    FInnermost = &frame;
    std::exception_ptr error;
    try {
      handOver->Fn();
    } catch (...) {
      error = std::current_exception();
    }
    FInnermost = frame.Outer;
    {
      std::lock_guard lock(FQueue->Lock);
      handOver->Error = error;
      handOver->Done = true;
      handOver->DoneChanged.notify_all();
    }
    for (auto& thread : frame.JoinAfter) thread.join();
  }
  return ran;
}

void WindowThread::RunHandOversUntil(const std::function<bool()>& finished) {
  if (!IsWindowThread()) {
    std::unique_lock lock(FQueue->Lock);
    FQueue->Queued.wait(lock, finished);
    return;
  }
  for (;;) {
    RunQueuedHandOvers();
    std::unique_lock lock(FQueue->Lock);
    FQueue->Queued.wait(lock, [&] {
      return !FQueue->Pending.empty() || FQueue->Abandoned || finished();
    });
    if (finished()) return;
    if (FQueue->Abandoned && FQueue->Pending.empty()) {
      // Nothing more will be queued; what is left to wait for ends by itself.
      FQueue->Queued.wait(lock, finished);
      return;
    }
  }
}

void WindowThread::WakeHandOverWaiters() {
  std::lock_guard lock(FQueue->Lock);
  FQueue->Queued.notify_all();
}

WindowThread::HandOverFrame* WindowThread::CurrentHandOver() const { return FInnermost; }

void WindowThread::JoinAfterHandOver(HandOverFrame* frame, std::jthread thread) {
  if (frame)
    frame->JoinAfter.push_back(std::move(thread));
  else if (thread.joinable())
    thread.join();
}

}  // namespace ombrel
