// Bringing an application's window to the front on an X desktop: an activation request to the
// window manager (_NET_ACTIVE_WINDOW).
#include "helper/platform/x11/x11_activation.h"

#include <X11/Xlib.h>

#include "helper/platform/x11/x11_connection.h"

namespace parlevox::x11 {

bool requestActivation(X11Connection& connection, std::int32_t pid) {
  auto lock = connection.lock();
  // The client list runs from the oldest window to the newest.
  const auto windows = connection.clientWindows();
  std::optional<WindowId> target;
  for (auto it = windows.rbegin(); it != windows.rend() && !target; ++it)
    if (connection.windowPid(*it) == pid) target = *it;
  if (!target) return false;
  Display* d = connection.display();
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = *target;
  request.xclient.message_type = connection.atom("_NET_ACTIVE_WINDOW");
  request.xclient.format = 32;
  // Source 2: a request on the user's behalf (as from a pager), which focus-stealing prevention
  // lets through; no timestamp of a user action is known to the helper.
  request.xclient.data.l[0] = 2;
  request.xclient.data.l[1] = CurrentTime;
  request.xclient.data.l[2] = static_cast<long>(connection.activeWindow().value_or(0));
  const Status sent = XSendEvent(d, connection.root(), False,
                                 SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XFlush(d);
  return sent != 0;
}

}  // namespace parlevox::x11
