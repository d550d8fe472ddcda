// The helper's entry sequence: flags, reader thread, signals, event tap, "ready", housekeeping.
#include "helper/app/startup.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "helper/app/housekeeping.h"
#include "helper/app/stdin_reader.h"
#include "helper/core/asio_run_loop.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/event_tap.h"
#include "helper/output/ducking.h"
#include "helper/platform/permissions.h"
#include "helper/platform/workspace.h"

namespace parlevox {
namespace {

bool hasArgument(int argc, char** argv, const char* flag) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], flag) == 0) return true;
  return false;
}

}  // namespace

int runHelper(int argc, char** argv, const platform::Platform& platform) {
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);

  if (argc > 1 && std::strcmp(argv[1], "--access") == 0) {
    std::printf("{\"screen\":%s,\"listen\":%s}\n",
                platform.permissions->screenCaptureAllowed() ? "true" : "false",
                platform.permissions->listenEventAllowed() ? "true" : "false");
    return 0;
  }

  AsioRunLoop loop;
  Helper h{.state = {}, .platform = platform, .loop = loop, .exit = exitAfterLastLine};

  startStdinReader(h, STDIN_FILENO);

  // Like every main-queue block, the handler waits for the commands before it, also for one that
  // holds the queue while it waits for an application.
  loop.onSignals({SIGTERM, SIGINT}, [&h](int) {
    h.commands.add([&h] {
      unduck(h.state.ducking, h.platform.volume);
      h.exit(0);
    });
  });

  auto& keyboard = h.state.keyboard;
  keyboard.keysWanted = !hasArgument(argc, argv, "--no-keys");
  const bool tapInstalled = keyboard.keysWanted && installTap(h);

  const bool trusted = platform.permissions->accessibilityTrusted();
  emit({{"t", "ready"}, {"ax", trusted}, {"tap", tapInstalled}});
  if (keyboard.keysWanted && !tapInstalled)
    emit({{"t", "tap"}, {"ok", false}, {"reason", trusted ? "tap_failed" : "no_accessibility"}});

  scheduleHousekeeping(h);
  platform.workspace->prohibitActivation();
  if (platform.scriptedInput)
    platform.scriptedInput->mainLoopStarting([&loop](double delayMs, std::function<void()> task) {
      if (delayMs < 0)
        loop.post(std::move(task));
      else
        loop.after(delayMs, std::move(task));
    });
  loop.run();
  return 0;
}

}  // namespace parlevox
