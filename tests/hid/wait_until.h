// Waiting in tests for something another thread does: a bounded wait on a
// condition, never a fixed sleep.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace ombrel::test {

// True once `done` holds; false if `limit` passed first (a hang, not a pace).
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace ombrel::test
