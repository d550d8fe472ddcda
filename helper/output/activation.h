// Bringing an application to the front and waiting, without holding the main loop, until it is.
#pragma once

#include <cstdint>
#include <functional>

#include "helper/core/run_loop.h"
#include "helper/platform/workspace.h"

namespace parlevox {

/// How long `activate` waits for the application to come to the front, and how often it looks.
inline constexpr double kActivateWaitMs = 400;
inline constexpr double kActivatePollMs = 10;

/// Brings the application with `pid` to the front. `done` gets true as soon as it is frontmost
/// (at once, without asking anything, when it already is), false when no running application
/// has the pid or it is not frontmost 0.4 s after the request. The wait runs on main-loop
/// timers; `done` runs on the main thread, possibly before activate returns.
void activate(platform::Workspace& workspace, RunLoop& loop, std::int32_t pid,
              std::function<void(bool frontmost)> done);

}  // namespace parlevox
