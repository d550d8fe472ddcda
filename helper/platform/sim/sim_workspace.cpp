// Simulated workspace: the applications of the scenario and this process's activation policy.
#include "helper/platform/sim/sim_workspace.h"

namespace parlevox::sim {
namespace {

platform::ActivationPolicy policyNamed(const ScenarioReader& app) {
  auto policy = app.string("policy", "regular");
  if (policy == "regular") return platform::ActivationPolicy::regular;
  if (policy == "accessory") return platform::ActivationPolicy::accessory;
  if (policy == "prohibited") return platform::ActivationPolicy::prohibited;
  app.fail("policy", "\"regular\", \"accessory\" or \"prohibited\"");
}

}  // namespace

void SimWorkspace::load(const ScenarioReader& scenario) {
  const auto& apps = scenario.array("apps");
  for (std::size_t i = 0; i < apps.size(); ++i) {
    auto app = scenario.element("apps", i);
    platform::RunningApp a;
    if (!app.has("pid")) app.fail("pid", "given");
    a.pid = static_cast<std::int32_t>(app.integer("pid", 0));
    a.bundleId = app.optionalString("bundle");
    a.localizedName = app.optionalString("name");
    a.bundlePath = app.optionalString("path");
    a.activationPolicy = policyNamed(app);
    a.terminated = app.boolean("terminated", false);
    apps_.push_back(std::move(a));
  }
  if (scenario.has("frontmost"))
    frontmost_ = static_cast<std::int32_t>(scenario.integer("frontmost", 0));
}

std::optional<platform::RunningApp> SimWorkspace::frontmostApplication() {
  std::lock_guard guard(lock_);
  if (!frontmost_) return std::nullopt;
  for (const auto& a : apps_)
    if (a.pid == *frontmost_) return a;
  return std::nullopt;
}

std::vector<platform::RunningApp> SimWorkspace::runningApplications() {
  std::lock_guard guard(lock_);
  return apps_;
}

void SimWorkspace::prohibitActivation() {
  recorder_.record({{"do", "activationPolicy"}, {"policy", "prohibited"}});
}

void SimWorkspace::setFrontmost(std::optional<std::int32_t> pid) {
  std::lock_guard guard(lock_);
  frontmost_ = pid;
}

}  // namespace parlevox::sim
