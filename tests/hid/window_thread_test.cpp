#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "hid/pumped_window_thread.h"
#include "wait_until.h"

namespace ombrel {
namespace {

std::string MessageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  }
}

TEST(WindowThreadTest, SynchronizeRunsOnTheWindowThreadAndCarriesTheErrorBack) {
  PumpedWindowThread window;
  std::atomic<bool> ranOnWindow = false;
  std::exception_ptr fine, failed;
  std::atomic<int> finished = 0;
  std::jthread reader([&] {
    fine = window.Synchronize([&] { ranOnWindow = window.IsWindowThread(); });
    ++finished;
    failed = window.Synchronize([] { throw std::runtime_error("handler broke"); });
    ++finished;
  });
  ASSERT_TRUE(window.PumpUntil([&] { return finished == 2; }));
  reader.join();
  EXPECT_TRUE(ranOnWindow);
  EXPECT_FALSE(fine);
  ASSERT_TRUE(failed);
  EXPECT_EQ(MessageOf(failed), "handler broke");
  EXPECT_TRUE(window.TakeErrors().empty()) << "a handler's error must not reach the event loop";
}

TEST(WindowThreadTest, SynchronizeOnTheWindowThreadRunsAtOnce) {
  PumpedWindowThread window;
  int runs = 0;
  EXPECT_FALSE(window.Synchronize([&] { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(window.PendingPosts(), 0u);
}

TEST(WindowThreadTest, WaitingForAThreadRunsItsHandOversMeanwhile) {
  PumpedWindowThread window;
  std::atomic<bool> ended = false;
  int handled = 0;
  std::jthread reader([&] {
    for (int i = 0; i < 3; ++i) window.Synchronize([&] { ++handled; });
    ended = true;
    window.WakeHandOverWaiters();
  });
  // Never pumps: only the hand-over queue can let the reader through.
  window.RunHandOversUntil([&] { return ended.load(); });
  reader.join();
  EXPECT_EQ(handled, 3);
}

TEST(WindowThreadTest, PostsRunInOrderAndTheirErrorsAreKeptForTheUser) {
  PumpedWindowThread window;
  std::string order;
  window.Post([&] { order += 'a'; });
  window.Post([] { throw std::runtime_error("Device cannot be opened"); });
  window.Post([&] {
    order += 'b';
    window.Post([&] { order += 'c'; });  // queued behind this pump
  });
  EXPECT_EQ(window.Pump(), 3u);
  EXPECT_EQ(order, "ab");
  EXPECT_EQ(window.Pump(), 1u);
  EXPECT_EQ(order, "abc");
  EXPECT_EQ(window.TakeErrors(), std::vector<std::string>{"Device cannot be opened"});
}

TEST(WindowThreadTest, AnEndedWindowThreadReleasesAWaitingReader) {
  auto window = std::make_unique<PumpedWindowThread>();
  std::exception_ptr result;
  std::jthread reader([&] { result = window->Synchronize([] {}); });
  ASSERT_TRUE(test::WaitUntil([&] { return window->PendingPosts() > 0; }));
  window.reset();
  reader.join();
  ASSERT_TRUE(result);
  EXPECT_EQ(MessageOf(result), "The window thread has ended");
}

}  // namespace
}  // namespace ombrel
