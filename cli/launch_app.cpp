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

constexpr long kPollIntervalMs = 300;
constexpr long kGiveUpAfterSeconds = 24;  // give up once more than this many whole seconds passed

// Runs the launcher and waits for it. Its stdin is /dev/null and its stdout goes to our stderr:
// our stdout carries only the answer, and stdin may be a protocol stream that it must not read.
void run_launcher() {
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
  int status;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

void sleep_ms(long ms) {
  timespec remaining{ms / 1000, (ms % 1000) * 1000000};
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace

std::optional<UniqueFd> launch_app() {
  run_launcher();
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    auto elapsed = std::chrono::steady_clock::now() - start;
    if (std::chrono::duration_cast<std::chrono::seconds>(elapsed).count() > kGiveUpAfterSeconds)
      return {};
    sleep_ms(kPollIntervalMs);
    if (auto fd = connect_app()) return fd;
  }
}

}  // namespace parlevox::cli
