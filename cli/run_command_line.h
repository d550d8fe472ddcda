// Carrying out one invocation of parlevox and choosing its exit code.
#pragma once

#include <span>
#include <string>

namespace parlevox::cli {

/// Performs what the arguments (without the program name) ask for, writes the output on
/// stdout and stderr, and gives the exit code: 0 success, 1 failed, 2 bad usage or input (or
/// "invalid"/"not_found"), 3 unavailable, 4 needs approval.
int run_command_line(std::span<const std::string> args);

}  // namespace parlevox::cli
