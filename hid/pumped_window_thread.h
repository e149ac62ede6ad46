// A window thread driven by hand: posted calls queue up until the owner
// pumps them. Tests use it in place of the window's event loop.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hid/window_thread.h"

namespace ombrel {

class PumpedWindowThread final : public WindowThread {
 public:
  PumpedWindowThread() = default;
  ~PumpedWindowThread() override;

  void Post(std::function<void()> fn) override;

  // Window thread only. Runs the calls posted before this one started;
  // returns how many ran. An exception escaping a call is kept (see Errors).
  std::size_t Pump();
  // Window thread only. Pumps until `done` holds; false if `limit` passed
  // first. The limit is a safety net against a hang, never a pace.
  bool PumpUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(20));

  std::size_t PendingPosts() const;
  // Texts of the exceptions that escaped posted calls, oldest first;
  // taking them clears the list.
  std::vector<std::string> TakeErrors();

 private:
  mutable std::mutex FLock;
  std::condition_variable FPosted;
  std::deque<std::function<void()>> FPosts;
  std::vector<std::string> FErrors;
};

}  // namespace ombrel
