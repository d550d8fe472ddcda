// Connections to the X session for the services that act on it, and bounded waits for replies.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <memory>

namespace parlevox::x11 {

struct DisplayCloser {
  void operator()(Display* display) const;
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

/// Opens a connection to `name` (or $DISPLAY when empty). Xlib is made thread-aware once and its
/// error handler reports instead of ending the process: a window that vanishes mid-transfer is an
/// ordinary event on a desktop. Nothing when the display cannot be opened.
DisplayPtr openSessionDisplay(const char* name = nullptr);

/// Takes the first queued or arriving event that `match` accepts, waiting at most `timeoutMs`;
/// events that do not match stay queued. False on timeout or a broken connection.
bool waitForEvent(Display* display, XEvent& event, const std::function<bool(const XEvent&)>& match,
                  double timeoutMs);

/// Milliseconds of the monotonic clock.
double nowMs();

}  // namespace parlevox::x11
