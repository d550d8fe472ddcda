// Process ids from command fields, which are 64-bit integers on the wire.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace parlevox {

/// A process id no process has: what a pid outside the 32-bit range stands for.
inline constexpr std::int32_t kNoProcess = -1;

/// The 32-bit process id, or nothing when the value does not fit (never a truncation, which
/// could name some other, real process).
inline std::optional<std::int32_t> processId(std::int64_t pid) {
  if (pid < std::numeric_limits<std::int32_t>::min() ||
      pid > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(pid);
}

}  // namespace parlevox
