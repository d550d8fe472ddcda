// Exit watch on Linux: a process file descriptor for each process, waited on with poll.
#include "guard/exit_watch.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace parlevox::guard {
namespace {

// A direct system call: glibc 2.36 declares pidfd_open without C linkage, unusable from C++.
int open_process_fd(pid_t pid) {
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

}  // namespace

ExitWatch::~ExitWatch() {
  for (int fd : handles_) {
    if (fd >= 0) close(fd);
  }
}

bool ExitWatch::open(pid_t parent, pid_t child) {
  // Process descriptors are opened close-on-exec, so they never leak into the command.
  const int parent_fd = open_process_fd(parent);
  if (parent_fd < 0) return false;
  const int child_fd = open_process_fd(child);
  if (child_fd < 0) {
    close(parent_fd);
    return false;
  }
  handles_[0] = parent_fd;
  handles_[1] = child_fd;
  return true;
}

WatchEvent ExitWatch::wait() {
  // A process descriptor turns readable once the process has exited, zombie or not.
  pollfd fds[2] = {{handles_[0], POLLIN, 0}, {handles_[1], POLLIN, 0}};
  const int ready = poll(fds, 2, -1);
  if (ready < 0) return errno == EINTR ? WatchEvent::interrupted : WatchEvent::failed;
  if ((fds[0].revents | fds[1].revents) & POLLNVAL) return WatchEvent::failed;
  if (fds[0].revents != 0) return WatchEvent::parent_exited;
  if (fds[1].revents != 0) return WatchEvent::child_exited;
  return WatchEvent::nothing;
}

}  // namespace parlevox::guard
