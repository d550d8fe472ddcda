// Finding the application's socket and making one connection attempt.
#pragma once

#include <optional>
#include <string>

#include "cli/app_limits.h"
#include "cli/unique_fd.h"

namespace parlevox::cli {

/// $PARLEVOX_SOCKET when set (byte for byte); otherwise "api.sock" in $PARLEVOX_USER_DATA, or in
/// $HOME/Library/Application Support/Parlevox (a relative folder when HOME is unset).
std::string resolve_socket_path();

/// True when `name` is set in the environment, even to the empty string.
bool env_is_set(const char* name);

/// One attempt to connect to the socket at resolve_socket_path(). Paths longer than 103 bytes or
/// holding a NUL are never tried. A listener whose backlog is full is tried again for
/// `limits.connect_patience`, then given up, so a frozen application cannot hold the caller. The
/// socket is blocking, close-on-exec, and has `limits.io_timeout` on each send and receive.
/// Gives no descriptor on any failure, without a reason.
std::optional<UniqueFd> connect_app(const AppLimits& limits = {});

}  // namespace parlevox::cli
