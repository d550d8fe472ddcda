// The real run loop's readable queue runs its work off the main thread, one piece at a time, in
// submission order (the thread sanitizer checks that the work needs no lock).
#include <gtest/gtest.h>

#include <future>
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

}  // namespace
}  // namespace parlevox
