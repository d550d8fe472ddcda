// Which applications run and which is in front.
#include "helper/core/app_queries.h"

#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/workspace.h"

namespace parlevox {

nlohmann::json frontmostAppInfo(Helper& h) {
  return appRecord(h.platform.workspace->frontmostApplication());
}

nlohmann::json appRecord(const std::optional<platform::RunningApp>& app) {
  if (!app) return nlohmann::json::object();
  return {{"pid", app->pid},
          {"bundle", app->bundleId.value_or("")},
          {"name", app->localizedName.value_or("")}};
}

void runFrontmost(Helper& h, const Command& c) {
  respond(c.id, {{"ok", true}, {"app", frontmostAppInfo(h)}});
}

void runRunningApps(Helper& h, const Command& c) {
  auto apps = nlohmann::json::array();
  for (const auto& app : h.platform.workspace->runningApplications()) {
    if (app.activationPolicy != platform::ActivationPolicy::regular || app.terminated ||
        !app.bundleId)
      continue;
    apps.push_back({{"pid", app.pid},
                    {"bundle", *app.bundleId},
                    {"name", app.localizedName.value_or("")},
                    {"path", app.bundlePath.value_or("")}});
  }
  respond(c.id, {{"ok", true}, {"apps", std::move(apps)}});
}

}  // namespace parlevox
