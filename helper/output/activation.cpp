// Bringing an application to the front and waiting, without holding the main loop, until it is.
#include "helper/output/activation.h"

#include <algorithm>

#include "helper/core/poll_until.h"

namespace parlevox {

void activate(platform::Workspace& workspace, RunLoop& loop, std::int32_t pid,
              std::function<void(bool frontmost)> done) {
  const auto apps = workspace.runningApplications();
  // An application that has ended is still listed for a while, but it cannot come to the front.
  const bool running = std::any_of(
      apps.begin(), apps.end(), [&](const auto& app) { return app.pid == pid && !app.terminated; });
  if (!running) return done(false);
  auto isFront = [&workspace, pid] {
    auto front = workspace.frontmostApplication();
    return front && front->pid == pid;
  };
  if (isFront()) return done(true);
  workspace.activateApplication(pid);
  pollUntil(loop, loop.now() + kActivateWaitMs, kActivatePollMs, isFront, std::move(done));
}

}  // namespace parlevox
