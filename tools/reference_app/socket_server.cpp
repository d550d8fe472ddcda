// Listening on the application socket and serving connections one after another.
#include "socket_server.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "operations.h"

namespace parlevox::reference_app {
namespace {

constexpr std::size_t kMaxRequestBytes = 4 * 1024 * 1024;
constexpr time_t kClientTimeoutSeconds = 10;

bool fill_address(const std::string& path, sockaddr_un& address) {
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    std::fprintf(stderr, "parlevox-reference-app: socket path too long: %s\n", path.c_str());
    return false;
  }
  address = {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

bool someone_listens(const sockaddr_un& address) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bool listening = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return listening;
}

void send_all(int fd, std::string bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the client went away; nothing more to do for it
    sent += static_cast<std::size_t>(n);
  }
}

void serve_connection(int fd, const std::string& path) {
  timeval timeout{kClientTimeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string line;
  char buffer[8192];
  for (;;) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;                   // timed out or broken: drop the client
    if (n == 0 && line.empty()) return;  // closed without asking anything
    if (n == 0) break;                   // a last line without its newline
    line.append(buffer, static_cast<std::size_t>(n));
    if (auto newline = line.find('\n'); newline != std::string::npos) {
      line.resize(newline);
      break;
    }
    if (line.size() > kMaxRequestBytes) {
      send_all(fd, answer_oversized_request(kMaxRequestBytes) + "\n");
      return;
    }
  }
  send_all(fd, answer_request(line, path) + "\n");
}

}  // namespace

int listen_on(const std::string& path) {
  sockaddr_un address;
  if (!fill_address(path, address)) return -1;
  struct stat existing;
  if (::lstat(path.c_str(), &existing) == 0) {
    if (!S_ISSOCK(existing.st_mode)) {
      std::fprintf(stderr, "parlevox-reference-app: %s exists and is not a socket\n", path.c_str());
      return -1;
    }
    if (someone_listens(address)) {
      std::fprintf(stderr, "parlevox-reference-app: another program listens on %s\n", path.c_str());
      return -1;
    }
    ::unlink(path.c_str());
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0) {
    std::fprintf(stderr, "parlevox-reference-app: cannot listen on %s: %s\n", path.c_str(),
                 std::strerror(errno));
    return -1;
  }
  return fd;
}

void serve(int listener, const std::string& path) {
  for (;;) {
    int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;  // interrupted, or a client that vanished before being accepted
    serve_connection(client, path);
    ::close(client);
  }
}

}  // namespace parlevox::reference_app
