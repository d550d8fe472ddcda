// Starts the child, forwards termination signals to its group and stops it when the parent ends.
#include "guard/guard.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>

#include "guard/exit_watch.h"
#include "guard/usage.h"

namespace parlevox::guard {
namespace {

constexpr int kForwardedSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kGraceChecks = 30;
constexpr long kGraceStepNanos = 100'000'000;

// The child's process id, which is also its group id; -1 until the fork succeeded. The signal
// handler reads it.
volatile std::sig_atomic_t g_child = -1;

void forward_signal(int sig) {
  const int saved_errno = errno;  // the interrupted code may be about to read errno
  if (g_child > 0) kill(-g_child, sig);
  errno = saved_errno;
}

sigset_t forwarded_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kForwardedSignals) sigaddset(&set, sig);
  return set;
}

// Runs in the forked child: leads a new group, gets the signal state the guard's own parent gave
// the guard (except that the forwarded signals are neither ignored nor blocked) and executes the
// command.
[[noreturn]] void exec_child(char** argv, const struct sigaction& inherited_sigchld,
                             const sigset_t& inherited_mask) {
  setpgid(0, 0);
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  for (int sig : kForwardedSignals) sigaction(sig, &dfl, nullptr);
  sigaction(SIGCHLD, &inherited_sigchld, nullptr);
  sigset_t mask = inherited_mask;
  for (int sig : kForwardedSignals) sigdelset(&mask, sig);
  sigprocmask(SIG_SETMASK, &mask, nullptr);
  execvp(argv[0], argv);
  std::perror("parlevox-guard: exec");
  _exit(127);
}

int map_wait_status(int status) {
  const int sig = status & 0x7f;
  if (sig == 0x7f) return 1;
  if (sig != 0) return 128 + sig;
  return (status >> 8) & 0xff;
}

// Collects the child's wait status, blocking. Forwarding ends first: once the child is reaped its
// id may be handed to another process, which must never receive the guard's signals.
std::optional<int> reap(pid_t child) {
  const sigset_t forwarded = forwarded_set();
  sigprocmask(SIG_BLOCK, &forwarded, nullptr);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  return status;
}

// The child's wait status if it has ended (reaping it), nothing while it runs.
std::optional<int> reap_if_ended(pid_t child) {
  siginfo_t info{};
  if (waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == 0) {
    return std::nullopt;
  }
  return reap(child);
}

void sleep_grace_step() {
  timespec left{0, kGraceStepNanos};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

// Whether any process is left in the child's group. Safe after the child is reaped: the system
// does not reuse an id while a group of that id has members.
bool group_alive(pid_t child) {
  return kill(-child, 0) == 0;
}

int exit_status(std::optional<int> status) {
  if (status) return map_wait_status(*status);
  std::perror("parlevox-guard: wait");
  return 1;
}

// Asks the child's group to end, gives it about three seconds, then kills whatever is left of it.
// The group counts, not only the child: a member ignoring SIGTERM must not outlive the parent.
int stop_child(pid_t child) {
  kill(-child, SIGTERM);
  std::optional<int> status;
  for (int check = 0; check < kGraceChecks; ++check) {
    if (!status) status = reap_if_ended(child);
    if (status && !group_alive(child)) return map_wait_status(*status);
    sleep_grace_step();
  }
  kill(-child, SIGKILL);
  if (!status) status = reap(child);
  return exit_status(status);
}

}  // namespace

int run(int argc, char** argv) {
  if (argc < 2) {
    print_usage();
    return 2;
  }
  const pid_t parent = getppid();

  // An ignored SIGCHLD would let the system reap the child and lose its status.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  struct sigaction inherited_sigchld {};
  sigaction(SIGCHLD, &dfl, &inherited_sigchld);

  // Hold the forwarded signals until the handler is in place: one arriving in between would end
  // the guard and leave the child unsupervised, or be lost if the parent had it ignored.
  const sigset_t forwarded = forwarded_set();
  sigset_t inherited_mask;
  sigprocmask(SIG_BLOCK, &forwarded, &inherited_mask);

  const pid_t child = fork();
  if (child < 0) {
    std::perror("parlevox-guard: fork");
    return 1;
  }
  if (child == 0) exec_child(argv + 1, inherited_sigchld, inherited_mask);

  g_child = child;
  setpgid(child, child);  // also done by the child; whichever runs first creates the group
  struct sigaction forward {};
  forward.sa_handler = forward_signal;
  sigemptyset(&forward.sa_mask);
  forward.sa_flags = 0;  // no restart: the signal must interrupt the wait below
  for (int sig : kForwardedSignals) sigaction(sig, &forward, nullptr);
  sigprocmask(SIG_UNBLOCK, &forwarded, nullptr);

  // A parent that died before the watch was in place has already handed the guard to another one.
  ExitWatch watch;
  if (!watch.open(parent, child) || getppid() != parent) return stop_child(child);

  for (;;) {
    switch (watch.wait()) {
      case WatchEvent::interrupted:
      case WatchEvent::nothing:
        continue;
      case WatchEvent::child_exited:
        return exit_status(reap(child));
      case WatchEvent::parent_exited:
      case WatchEvent::failed:
        return stop_child(child);
    }
  }
}

}  // namespace parlevox::guard
