#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "wait_until.h"

namespace ombrel::test {
namespace {

// Every reader, the virtual bus and the simulated unit rest in stop-token
// waits that another thread ends with a stop. Where the standard library
// loses that wake-up (MinGW's libstdc++ without a futex, unless it is built
// to use POSIX semaphores) a stopped thread never ends; it did so within a
// few hundred stops under Wine, so a stop is made many times over here.
TEST(StopWaitTest, AStopAlwaysEndsAStopTokenWaitOnAnotherThread) {
  constexpr int kRounds = 2000;
  struct Run {
    std::atomic<int> Rounds = 0;
    std::atomic<bool> Done = false;
  };
  // Shared with the stopping thread, which cannot be joined if a wait hangs.
  auto run = std::make_shared<Run>();
  std::thread stopper([run] {
    for (int i = 0; i < kRounds; ++i) {
      std::mutex lock;
      std::condition_variable_any changed;
      std::atomic<bool> waiting = false;
      std::jthread waiter([&](std::stop_token stop) {
        std::unique_lock held(lock);
        waiting = true;
        if (i % 2)
          changed.wait(held, stop, [] { return false; });
        else
          changed.wait_for(held, stop, std::chrono::minutes(10), [] { return false; });
      });
      while (!waiting) std::this_thread::yield();
      { std::lock_guard sync(lock); }  // the waiter now sleeps in its wait
      waiter.request_stop();
      waiter.join();
      ++run->Rounds;
    }
    run->Done = true;
  });
  const bool ended = WaitUntil([&] { return run->Done.load(); }, std::chrono::seconds(60));
  if (!ended) {
    stopper.detach();  // hung in a join: the process ends with the test run
    FAIL() << "a stop did not end its wait in round " << run->Rounds + 1 << " of " << kRounds;
  }
  stopper.join();
  EXPECT_EQ(run->Rounds, kRounds);
}

}  // namespace
}  // namespace ombrel::test
