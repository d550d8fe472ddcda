// Starting the application and waiting for its socket.
#include "cli/launch_app.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

#include "cli/app_connection.h"
#include "cli/launcher_command.h"

extern char** environ;

namespace parlevox::cli {
namespace {

constexpr std::chrono::milliseconds kPollInterval{300};
constexpr std::chrono::milliseconds kLauncherCheckInterval{10};

// True once 25 whole seconds have passed since `start`.
bool waited_long_enough(WaitClock& clock, std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::seconds>(clock.now() - start).count() > 24;
}

// Runs the launcher and waits for it to exit, for no longer than the wait for the socket: a
// launcher that hangs is left running. Its stdin is /dev/null and its stdout goes to our stderr:
// our stdout carries only the answer, and stdin may be a protocol stream that it must not read.
void run_launcher(WaitClock& clock) {
  std::vector<std::string> command = launcher_command();
  std::vector<char*> argv;
  for (auto& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  pid_t pid;
  int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return;
  const auto start = clock.now();
  for (;;) {
    int status;
    pid_t waited = ::waitpid(pid, &status, WNOHANG);
    if (waited < 0 && errno == EINTR) continue;
    if (waited != 0) return;  // exited, or cannot be waited for
    if (waited_long_enough(clock, start)) return;
    clock.sleep(kLauncherCheckInterval);
  }
}

class RealClock : public WaitClock {
 public:
  std::chrono::steady_clock::time_point now() override { return std::chrono::steady_clock::now(); }
  void sleep(std::chrono::milliseconds duration) override {
    timespec remaining{static_cast<time_t>(duration.count() / 1000),
                       static_cast<long>(duration.count() % 1000) * 1000000};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

std::optional<UniqueFd> poll_for_app(WaitClock& clock,
                                     const std::function<std::optional<UniqueFd>()>& attempt) {
  const auto start = clock.now();
  for (;;) {
    if (waited_long_enough(clock, start)) return {};
    clock.sleep(kPollInterval);
    if (auto fd = attempt()) return fd;
  }
}

std::optional<UniqueFd> launch_app(WaitClock& clock,
                                   const std::function<std::optional<UniqueFd>()>& attempt) {
  run_launcher(clock);
  return poll_for_app(clock, attempt);
}

std::optional<UniqueFd> launch_app(const AppLimits& limits) {
  RealClock clock;
  return launch_app(clock, [&] { return connect_app(limits); });
}

}  // namespace parlevox::cli
