// Waking a thread that waits for an X connection's events: a pipe polled beside the connection.
#pragma once

#include <X11/Xlib.h>

namespace parlevox::x11 {

class WakePipe {
 public:
  WakePipe();  // ok() tells whether the pipe could be made
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  bool ok() const { return fds_[0] >= 0; }
  /// Wakes the waiting thread; from any thread, never blocking.
  void wake() const;
  /// Waits until `display` has events, `wake` was called, or `timeoutMs` has passed. False when
  /// the connection is gone.
  bool wait(Display* display, double timeoutMs) const;

 private:
  int fds_[2] = {-1, -1};
};

}  // namespace parlevox::x11
