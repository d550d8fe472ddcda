// Waiting on the main loop without holding it: a condition tested now and then on timers.
#pragma once

#include <functional>

#include "helper/core/run_loop.h"

namespace parlevox {

/// Tests `holds` now and then every `stepMs` on main-loop timers until it holds or the loop's
/// clock reaches `deadlineMs`; then calls `then` with the last result (tested once more at the
/// deadline). Between tests the main loop serves everything else: event-tap callbacks, timers,
/// posted work. `then` may run before pollUntil returns. Main thread only.
void pollUntil(RunLoop& loop, double deadlineMs, double stepMs, std::function<bool()> holds,
               std::function<void(bool held)> then);

}  // namespace parlevox
