// The real run loop's background queues: the readable queue runs its work off the main thread,
// one piece at a time, in submission order (the thread sanitizer checks that the work needs no
// lock); all background work runs below the main thread's priority.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "helper/core/asio_run_loop.h"

namespace parlevox {
namespace {

TEST(ReadableQueue, RunsWorkSeriallyInOrderOffTheMainThread) {
  AsioRunLoop loop;
  std::vector<int> order;  // no lock: the queue itself must keep the pieces apart
  std::vector<std::thread::id> threads;
  std::promise<void> done;
  constexpr int kPieces = 200;
  for (int i = 0; i < kPieces; ++i)
    loop.readable([&, i] {
      order.push_back(i);
      threads.push_back(std::this_thread::get_id());
      if (i == kPieces - 1) done.set_value();
    });
  done.get_future().wait();
  ASSERT_EQ(order.size(), static_cast<std::size_t>(kPieces));
  for (int i = 0; i < kPieces; ++i) EXPECT_EQ(order[i], i);
  for (auto id : threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST(BackgroundPool, EveryThreadRunsBelowTheMainThread) {
  const auto niceOf = [] { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())); };
  const int mainNice = niceOf();
  if (mainNice == 19) GTEST_SKIP() << "already at the lowest priority";
  AsioRunLoop loop;
  // Background and readable work alike, on whichever pool thread takes it.
  std::mutex lock;
  std::set<std::pair<pid_t, int>> seen;  // thread, its nice value
  std::promise<void> done;
  constexpr int kPieces = 64;
  std::atomic<int> left = 2 * kPieces;
  auto note = [&] {
    {
      std::lock_guard guard(lock);
      seen.emplace(::gettid(), niceOf());
    }
    if (--left == 0) done.set_value();
  };
  for (int i = 0; i < kPieces; ++i) {
    loop.background(note);
    loop.readable(note);
  }
  done.get_future().wait();
  for (auto [thread, nice] : seen) {
    EXPECT_NE(thread, ::gettid());
    EXPECT_GT(nice, mainNice);
  }
  EXPECT_EQ(niceOf(), mainNice);  // the main thread stays where it was
}

}  // namespace
}  // namespace parlevox
