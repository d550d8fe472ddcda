// Bringing an application's window to the front on an X desktop: an activation request to the
// window manager (_NET_ACTIVE_WINDOW).
#pragma once

#include <cstdint>

namespace parlevox::x11 {

class X11Connection;

/// Asks the window manager to activate the newest top-level window of process `pid`. True when
/// the request was sent; the window comes to the front later, or never (the manager decides).
/// False when the process has no managed window.
bool requestActivation(X11Connection& connection, std::int32_t pid);

}  // namespace parlevox::x11
