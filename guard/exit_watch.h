// Wakes the guard when its parent or its child exits.
#pragma once

#include <sys/types.h>

namespace parlevox::guard {

/// What one wait on an `ExitWatch` saw.
enum class WatchEvent {
  parent_exited,  ///< the watched parent has ended
  child_exited,   ///< the watched child has ended; its status is still waiting to be collected
  interrupted,    ///< a signal arrived before either process ended; wait again
  nothing,        ///< the wait came back without an event; wait again
  failed,         ///< the wait itself failed; the watch can no longer be trusted
};

/// A watch on the exit of two processes, the guard's parent and its child. The facility behind it
/// is chosen at build time: process file descriptors with `poll` on Linux; a kernel event queue
/// with process-exit filters would take its place on macOS.
class ExitWatch {
 public:
  ExitWatch() = default;
  ~ExitWatch();
  ExitWatch(const ExitWatch&) = delete;
  ExitWatch& operator=(const ExitWatch&) = delete;

  /// Starts watching `parent` and `child`. Returns false, holding nothing, when the watch cannot be
  /// set up for both (for instance because `parent` has already gone).
  bool open(pid_t parent, pid_t child);

  /// Blocks without a time limit until one of the two processes has exited or a signal handler has
  /// run. A process that has exited but was not yet reaped counts as exited. When both have
  /// exited, reports the parent. Call only after a successful `open`.
  WatchEvent wait();

 private:
  int handles_[2] = {-1, -1};  // platform handles: one per process on Linux
};

}  // namespace parlevox::guard
