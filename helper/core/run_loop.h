// The main run loop as the logic sees it: the clock, the main queue, timers and the background
// pool.
#pragma once

#include <cstdint>
#include <functional>

namespace parlevox {

class RunLoop {
 public:
  using Task = std::function<void()>;
  using TimerId = std::uint64_t;

  virtual ~RunLoop() = default;
  /// Milliseconds of monotonic system uptime.
  virtual double now() = 0;
  /// Runs the task on the main thread after everything posted before it. Safe from any thread.
  virtual void post(Task task) = 0;
  /// Runs the task once on the main thread after `delayMs`. Main thread only.
  virtual TimerId after(double delayMs, Task task) = 0;
  /// Cancels a timer that has not fired yet; unknown ids are ignored. Main thread only.
  virtual void cancel(TimerId id) = 0;
  /// Runs the work on the background pool; the work hands its result back with `post`.
  virtual void background(Task work) = 0;
  /// Runs the work on the serial "readable" queue: one piece at a time, in submission order, off
  /// the main thread where the loop has such a queue. The work touches no main-thread state.
  virtual void readable(Task work) { post(std::move(work)); }
};

/// Milliseconds of CLOCK_MONOTONIC, the helper's clock.
double monotonicMs();

}  // namespace parlevox
