// The helper as one value: its state, the platform it runs on, and its main run loop.
#pragma once

#include <functional>

#include "helper/core/command_queue.h"
#include "helper/core/run_loop.h"
#include "helper/core/state.h"
#include "helper/platform/platform.h"

namespace parlevox {

struct Helper {
  HelperState state;
  platform::Platform platform;
  RunLoop& loop;
  /// Ends the process with the status; tests replace it to observe the end instead.
  std::function<void(int status)> exit;
  /// Commands and what must wait for them (end of input, signals), one at a time in order.
  CommandQueue commands{loop};

  double now() { return loop.now(); }
};

}  // namespace parlevox
