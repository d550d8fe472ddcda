// How long a call to the application may wait and how much of its answer is read.
#pragma once

#include <chrono>
#include <cstddef>

namespace parlevox::cli {

/// The ceilings of one application call. The defaults are what parlevox uses; tests pass shorter
/// ones to reach each limit quickly.
struct AppLimits {
  /// How long a connection attempt keeps retrying while the application's listen backlog is full
  /// (an application that stopped accepting); after that the application counts as unreachable.
  std::chrono::milliseconds connect_patience{3000};
  /// The longest wait of each write of the request and each read of the answer.
  std::chrono::milliseconds io_timeout{600'000};
  /// The longest answer line read; a longer one fails the call instead of filling memory.
  std::size_t max_answer_bytes = 16 * 1024 * 1024;
};

}  // namespace parlevox::cli
