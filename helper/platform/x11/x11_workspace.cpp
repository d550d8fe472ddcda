// Running applications and the frontmost one from the window manager's lists (EWMH).
#include "helper/platform/x11/x11_workspace.h"

#include "helper/platform/x11/x11_activation.h"

#include <algorithm>

namespace parlevox::x11 {

std::optional<platform::RunningApp> X11Workspace::appOf(WindowId window) {
  const auto pid = connection_.windowPid(window);
  if (!pid) return std::nullopt;
  platform::RunningApp app;
  app.pid = *pid;
  const auto names = connection_.windowClass(window);
  if (auto id = connection_.text(window, "_GTK_APPLICATION_ID"); id && !id->empty())
    app.bundleId = *id;
  else if (names && !names->first.empty())
    app.bundleId = names->first;
  if (names && !names->second.empty()) app.localizedName = names->second;
  return app;
}

std::optional<platform::RunningApp> X11Workspace::frontmostApplication() {
  const auto active = connection_.activeWindow();
  if (!active) return std::nullopt;
  return appOf(*active);
}

std::vector<platform::RunningApp> X11Workspace::runningApplications() {
  std::vector<platform::RunningApp> apps;
  for (const WindowId window : connection_.clientWindows()) {
    auto app = appOf(window);
    if (!app || std::any_of(apps.begin(), apps.end(),
                            [&](const auto& known) { return known.pid == app->pid; }))
      continue;
    apps.push_back(std::move(*app));
  }
  return apps;
}

bool X11Workspace::activateApplication(std::int32_t pid) {
  return requestActivation(connection_, pid);
}

}  // namespace parlevox::x11
