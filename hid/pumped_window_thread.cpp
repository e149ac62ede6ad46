#include "hid/pumped_window_thread.h"

#include <exception>
#include <utility>

namespace ombrel {

PumpedWindowThread::~PumpedWindowThread() { AbandonHandOvers(); }

void PumpedWindowThread::Post(std::function<void()> fn) {
  std::lock_guard lock(FLock);
  FPosts.push_back(std::move(fn));
  FPosted.notify_all();
}

std::size_t PumpedWindowThread::Pump() {
  if (!IsWindowThread()) return 0;
  std::size_t budget;
  {
    std::lock_guard lock(FLock);
    budget = FPosts.size();
  }
  std::size_t ran = 0;
  for (; ran < budget; ++ran) {
    std::function<void()> fn;
    {
      std::lock_guard lock(FLock);
      if (FPosts.empty()) break;
      fn = std::move(FPosts.front());
      FPosts.pop_front();
    }
    try {
      fn();
    } catch (const std::exception& e) {
      std::lock_guard lock(FLock);
      FErrors.emplace_back(e.what());
    } catch (...) {
      std::lock_guard lock(FLock);
      FErrors.emplace_back("Unknown error");
    }
  }
  return ran;
}

bool PumpedWindowThread::PumpUntil(const std::function<bool()>& done,
                                   std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    Pump();
    if (done()) return true;
    std::unique_lock lock(FLock);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // `done` may turn true without a post (a write reaching the bus, a
    // thread ending), so look again after a short slice.
    FPosted.wait_for(lock, std::chrono::milliseconds(2), [&] { return !FPosts.empty(); });
  }
}

std::size_t PumpedWindowThread::PendingPosts() const {
  std::lock_guard lock(FLock);
  return FPosts.size();
}

std::vector<std::string> PumpedWindowThread::TakeErrors() {
  std::lock_guard lock(FLock);
  return std::exchange(FErrors, {});
}

}  // namespace ombrel
