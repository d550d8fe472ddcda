// Starting the application and waiting for its socket.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "cli/app_limits.h"
#include "cli/unique_fd.h"

namespace parlevox::cli {

/// The time source of the wait for the application: the real clock in parlevox, a virtual one in
/// tests.
class WaitClock {
 public:
  virtual ~WaitClock() = default;
  virtual std::chrono::steady_clock::time_point now() = 0;
  virtual void sleep(std::chrono::milliseconds duration) = 0;
};

/// Tries `attempt` every 300 ms until it gives a connection, giving up once 25 whole seconds have
/// passed since the start (the last attempt comes at about 25.2 s).
std::optional<UniqueFd> poll_for_app(WaitClock& clock,
                                     const std::function<std::optional<UniqueFd>()>& attempt);

/// Runs the launcher command and waits for it to exit, for up to 25 s on `clock` (its status, a
/// failure to start it, or a launcher still running after that are ignored), then polls
/// `attempt` as poll_for_app does. Blocking.
std::optional<UniqueFd> launch_app(WaitClock& clock,
                                   const std::function<std::optional<UniqueFd>()>& attempt);

/// launch_app on the real clock with connect_app(limits) as the attempt.
std::optional<UniqueFd> launch_app(const AppLimits& limits = {});

}  // namespace parlevox::cli
