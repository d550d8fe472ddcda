// Listening on the application socket and serving connections one after another.
#pragma once

#include <string>

namespace parlevox::reference_app {

/// Binds and listens on `path`, replacing a stale socket file nobody listens on. Gives the
/// listening descriptor, or -1 with a message on stderr (also when another program listens).
int listen_on(const std::string& path);

/// Serves connections on `listener` forever: each one gets one request line read and one answer
/// line written, then is closed. A client that stays silent is dropped after a while.
[[noreturn]] void serve(int listener, const std::string& path);

}  // namespace parlevox::reference_app
