// The real main run loop: an Asio io_context on the main thread plus a background thread pool.
#pragma once

#include <memory>
#include <vector>

#include "helper/core/run_loop.h"

namespace parlevox {

class AsioRunLoop final : public RunLoop {
 public:
  AsioRunLoop();
  ~AsioRunLoop() override;

  double now() override;
  void post(Task task) override;
  TimerId after(double delayMs, Task task) override;
  void cancel(TimerId id) override;
  void background(Task work) override;
  void readable(Task work) override;

  /// Runs `handler` on the main thread when one of the signals arrives; it stays armed.
  void onSignals(const std::vector<int>& signals, std::function<void(int)> handler);
  /// Serves the main queue on the calling thread for ever.
  void run();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace parlevox
