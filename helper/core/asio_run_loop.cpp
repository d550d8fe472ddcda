// The real main run loop: an Asio io_context on the main thread plus a background thread pool.
#include "helper/core/asio_run_loop.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <asio.hpp>
#include <cerrno>
#include <chrono>
#include <unordered_map>

namespace parlevox {
namespace {

// How far below the main thread the pool's threads run, in nice steps. The platform runs slow
// commands at a lower quality of service than the main thread; here the pool's threads, and the
// threads they start (a decode's own decoding thread), weigh about a thirtieth of the main thread
// with the scheduler. With both cores decoding, a key event's line then still leaves at once, and
// the application that reads it gets a core as soon as it wakes: at 10 steps the pool still held
// the cores long enough to delay a line by a millisecond now and then. Nothing else running, the
// pool has the cores to itself as before.
constexpr int kBackgroundNice = 15;

// Lowers the calling thread's priority once, the first time it runs background work (Linux keeps
// a nice value per thread). Raising it back needs a privilege; pool threads stay in the background
// for good.
void lowerThisThread() {
  thread_local bool lowered = false;
  if (lowered) return;
  lowered = true;
  const auto tid = static_cast<id_t>(::gettid());
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, tid);
  if (errno == 0) ::setpriority(PRIO_PROCESS, tid, std::min(nice + kBackgroundNice, 19));
}

// The task as the pool runs it: on a lowered thread.
auto inBackground(RunLoop::Task task) {
  return [task = std::move(task)] {
    lowerThisThread();
    task();
  };
}

}  // namespace

double monotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct AsioRunLoop::Impl {
  asio::io_context io{1};
  asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);
  asio::thread_pool pool{2};
  // The serial "readable" queue: a strand on the pool runs its work one piece at a time.
  asio::strand<asio::thread_pool::executor_type> readableStrand = asio::make_strand(pool);
  asio::signal_set signals{io};
  std::function<void(int)> signalHandler;
  std::unordered_map<TimerId, std::unique_ptr<asio::steady_timer>> timers;
  TimerId nextTimer = 1;

  void awaitSignal() {
    signals.async_wait([this](const std::error_code& error, int number) {
      if (error) return;
      signalHandler(number);
      awaitSignal();
    });
  }
};

AsioRunLoop::AsioRunLoop() : impl_(std::make_unique<Impl>()) {}

AsioRunLoop::~AsioRunLoop() {
  impl_->pool.join();
}

double AsioRunLoop::now() {
  return monotonicMs();
}

void AsioRunLoop::post(Task task) {
  asio::post(impl_->io, std::move(task));
}

RunLoop::TimerId AsioRunLoop::after(double delayMs, Task task) {
  const TimerId id = impl_->nextTimer++;
  auto timer = std::make_unique<asio::steady_timer>(impl_->io);
  timer->expires_after(std::chrono::microseconds(static_cast<std::int64_t>(delayMs * 1000.0)));
  timer->async_wait([this, id, task = std::move(task)](const std::error_code& error) {
    if (error) return;  // cancelled
    impl_->timers.erase(id);
    task();
  });
  impl_->timers.emplace(id, std::move(timer));
  return id;
}

void AsioRunLoop::cancel(TimerId id) {
  // Destroying a timer cancels its wait; the handler then runs once with an error and returns.
  impl_->timers.erase(id);
}

void AsioRunLoop::background(Task work) {
  asio::post(impl_->pool, inBackground(std::move(work)));
}

void AsioRunLoop::readable(Task work) {
  asio::post(impl_->readableStrand, inBackground(std::move(work)));
}

void AsioRunLoop::onSignals(const std::vector<int>& signals, std::function<void(int)> handler) {
  for (int s : signals) impl_->signals.add(s);
  impl_->signalHandler = std::move(handler);
  impl_->awaitSignal();
}

void AsioRunLoop::run() {
  impl_->io.run();
}

}  // namespace parlevox
