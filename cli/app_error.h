// The error record of a failed application call.
#pragma once

#include <cstdint>
#include <string>

namespace parlevox::cli {

/// Why a call to the application failed. `kind` decides the exit code ("invalid", "not_found",
/// "unavailable", "needs_approval", anything else is a plain failure).
struct AppError {
  std::string kind;
  std::string message;
  std::int64_t code = 0;
};

}  // namespace parlevox::cli
