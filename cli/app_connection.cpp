// Finding the application's socket and making one connection attempt.
#include "cli/app_connection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace parlevox::cli {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The longest socket path used, in bytes: what fits the smallest sun_path among the platforms the
// application runs on (104 bytes with the terminating NUL).
constexpr std::size_t kMaxSocketPathBytes = 103;
// Pauses between attempts while the backlog is full: short at first, since a busy application
// frees a slot quickly, then longer.
constexpr milliseconds kFirstRetryPause{5};
constexpr milliseconds kLongestRetryPause{100};

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

void sleep_for(milliseconds pause) {
  timespec time{static_cast<time_t>(pause.count() / 1000),
                static_cast<long>(pause.count() % 1000) * 1000000};
  ::nanosleep(&time, nullptr);  // an interruption only shortens the pause
}

void set_timeout(int fd, int option, milliseconds timeout) {
  timeval value{static_cast<time_t>(timeout.count() / 1000),
                static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
  ::setsockopt(fd, SOL_SOCKET, option, &value, sizeof value);  // best effort
}

// Waits until a connect that is in progress finishes, at the latest at `deadline`.
bool finish_connect(int fd, Clock::time_point deadline) {
  for (;;) {
    auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd writable{fd, POLLOUT, 0};
    int ready = ::poll(&writable, 1, static_cast<int>(std::min<long long>(left.count(), 60'000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;  // the deadline is checked again above
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
}

enum class Attempt { connected, busy, failed };

// One connect on `fd` (non-blocking): connected, busy (the listener's backlog is full; try again)
// or failed.
Attempt connect_once(int fd, const sockaddr_un& address, Clock::time_point deadline) {
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
    return Attempt::connected;
  if (errno == EAGAIN || errno == EINTR) return Attempt::busy;
  if (errno == EINPROGRESS)
    return finish_connect(fd, deadline) ? Attempt::connected : Attempt::failed;
  return Attempt::failed;
}

}  // namespace

bool env_is_set(const char* name) {
  return std::getenv(name) != nullptr;
}

std::string resolve_socket_path() {
  if (const char* socket = std::getenv("PARLEVOX_SOCKET")) return socket;
  std::string folder;
  if (const char* user_data = std::getenv("PARLEVOX_USER_DATA")) {
    folder = user_data;
  } else {
    const char* home = std::getenv("HOME");
    folder = join_path(home ? home : "", "Library/Application Support/Parlevox");
  }
  return join_path(folder, "api.sock");
}

std::optional<UniqueFd> connect_app(const AppLimits& limits) {
  const std::string path = resolve_socket_path();
  if (path.size() > kMaxSocketPathBytes || path.find('\0') != std::string::npos) return {};
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());

  const auto deadline = Clock::now() + limits.connect_patience;
  for (milliseconds pause = kFirstRetryPause;; pause = std::min(pause * 2, kLongestRetryPause)) {
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return {};
#ifdef SO_NOSIGPIPE
    int one = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    // Non-blocking while connecting: a blocking connect to a full backlog waits for as long as
    // the application does not accept.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags | O_NONBLOCK) < 0) return {};

    switch (connect_once(fd.get(), address, deadline)) {
      case Attempt::connected:
        if (::fcntl(fd.get(), F_SETFL, flags) < 0) return {};
        set_timeout(fd.get(), SO_RCVTIMEO, limits.io_timeout);
        set_timeout(fd.get(), SO_SNDTIMEO, limits.io_timeout);
        return fd;
      case Attempt::failed:
        return {};
      case Attempt::busy:
        auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return {};
        sleep_for(std::min(pause, std::chrono::ceil<milliseconds>(left)));
        break;
    }
  }
}

}  // namespace parlevox::cli
