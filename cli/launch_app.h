// Starting the application and waiting for its socket.
#pragma once

#include <optional>

#include "cli/unique_fd.h"

namespace parlevox::cli {

/// Runs the launcher command and waits for it (its status, or a failure to start it, is ignored),
/// then tries connect_app() every 300 ms until 25 whole seconds have passed. Blocking.
std::optional<UniqueFd> launch_app();

}  // namespace parlevox::cli
