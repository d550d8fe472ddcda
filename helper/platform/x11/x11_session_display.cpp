// Connections to the X session for the services that act on it, and bounded waits for replies.
#include "helper/platform/x11/x11_session_display.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <mutex>

namespace parlevox::x11 {
namespace {

// Protocol errors on these connections are expected (a requestor window destroyed before its
// transfer ends, a grab another client holds); the requests that can fail check their results.
int reportNothing(Display*, XErrorEvent*) {
  return 0;
}

struct MatchContext {
  const std::function<bool(const XEvent&)>* match;
};

Bool matches(Display*, XEvent* event, XPointer arg) {
  auto* context = reinterpret_cast<MatchContext*>(arg);
  return (*context->match)(*event) ? True : False;
}

}  // namespace

void DisplayCloser::operator()(Display* display) const {
  if (display) XCloseDisplay(display);
}

DisplayPtr openSessionDisplay(const char* name) {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(reportNothing);
  });
  return DisplayPtr(XOpenDisplay(name && *name ? name : nullptr));
}

double nowMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool waitForEvent(Display* display, XEvent& event, const std::function<bool(const XEvent&)>& match,
                  double timeoutMs) {
  const double deadline = nowMs() + timeoutMs;
  MatchContext context{&match};
  for (;;) {
    if (XCheckIfEvent(display, &event, matches, reinterpret_cast<XPointer>(&context))) return true;
    const double left = deadline - nowMs();
    if (left <= 0) return false;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left) + 1);
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0 && (fd.revents & (POLLHUP | POLLERR))) return false;
  }
}

}  // namespace parlevox::x11
