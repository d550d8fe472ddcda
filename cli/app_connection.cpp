// Finding the application's socket and making one connection attempt.
#include "cli/app_connection.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>

#include <cstdlib>
#include <cstring>

namespace parlevox::cli {
namespace {

// The longest socket path used, in bytes: what fits the smallest sun_path among the platforms the
// application runs on (104 bytes with the terminating NUL).
constexpr std::size_t kMaxSocketPathBytes = 103;
constexpr time_t kReceiveTimeoutSeconds = 600;

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
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

std::optional<UniqueFd> connect_app() {
  const std::string path = resolve_socket_path();
  if (path.size() > kMaxSocketPathBytes || path.find('\0') != std::string::npos) return {};

  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) return {};
#ifdef SO_NOSIGPIPE
  int one = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif

  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return {};

  timeval timeout{kReceiveTimeoutSeconds, 0};
  ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);  // best effort
  return fd;
}

}  // namespace parlevox::cli
