// The one run loop of the tests: a virtual clock that tests advance, due timers firing in order,
// and posted work that runs only when the test says so, all deterministic.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "helper/core/run_loop.h"

namespace parlevox::testing {

class VirtualRunLoop final : public RunLoop {
 public:
  explicit VirtualRunLoop(double startMs = 1000) : now_(startMs) {}

  double now() override { return now_; }
  void post(Task task) override {
    std::lock_guard guard(lock_);
    queue_.push_back(std::move(task));
  }
  TimerId after(double delayMs, Task task) override {
    const TimerId id = nextTimer_++;
    timers_.emplace(std::pair{now_ + delayMs, id}, std::move(task));
    return id;
  }
  void cancel(TimerId id) override {
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (it->first.second == id) {
        timers_.erase(it);
        return;
      }
  }
  /// Background and readable work runs on the main thread when the queue is drained.
  void background(Task work) override { post(std::move(work)); }
  void readable(Task work) override { post(std::move(work)); }

  /// Runs the oldest posted task (background work included); false when none is waiting.
  bool runOne() {
    Task task;
    {
      std::lock_guard guard(lock_);
      if (queue_.empty()) return false;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
    return true;
  }
  /// Runs every posted task, also those posted meanwhile.
  void drain() {
    while (runOne()) {
    }
  }
  /// Moves the clock forward by `ms`, firing each due timer at its own time (ties in the order
  /// they were scheduled) and draining posted tasks after each.
  void advance(double ms) { advanceTo(now_ + ms); }
  void advanceTo(double time) {
    drain();
    while (!timers_.empty() && timers_.begin()->first.first <= time) {
      auto node = timers_.extract(timers_.begin());
      now_ = node.key().first;
      node.mapped()();
      drain();
    }
    if (time > now_) now_ = time;
  }
  std::size_t pendingTimers() const { return timers_.size(); }

 private:
  double now_;
  TimerId nextTimer_ = 1;
  std::map<std::pair<double, TimerId>, Task> timers_;  // by due time, then scheduling order
  std::mutex lock_;
  std::deque<Task> queue_;
};

}  // namespace parlevox::testing
