// The wake pipe: one byte written wakes the poll; the reader drains whatever has piled up.
#include "helper/platform/x11/x11_wake_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace parlevox::x11 {

WakePipe::WakePipe() {
  // Non-blocking both ways: a wake-up is only a signal, so a full pipe already holds one.
  if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
}

WakePipe::~WakePipe() {
  for (int fd : fds_)
    if (fd >= 0) ::close(fd);
}

void WakePipe::wake() const {
  if (fds_[1] < 0) return;
  const char c = 1;
  [[maybe_unused]] auto n = ::write(fds_[1], &c, 1);
}

bool WakePipe::wait(Display* display, double timeoutMs) const {
  pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {fds_[0], POLLIN, 0}};
  if (XPending(display) == 0) ::poll(fds, 2, static_cast<int>(timeoutMs) + 1);
  if (fds[1].revents & POLLIN) {
    char buffer[64];
    while (::read(fds_[0], buffer, sizeof buffer) > 0) {
    }
  }
  return (fds[0].revents & (POLLHUP | POLLERR)) == 0;
}

}  // namespace parlevox::x11
