// Simulated workspace: the applications of the scenario and this process's activation policy.
#include "helper/platform/sim/sim_workspace.h"

#include <cstdint>
#include <set>

namespace parlevox::sim {
namespace {

constexpr std::int64_t kMaxPid = INT32_MAX;

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
  std::set<std::int32_t> pids;
  for (std::size_t i = 0; i < apps.size(); ++i) {
    auto app = scenario.element("apps", i);
    app.onlyKeys({"pid", "bundle", "name", "path", "policy", "terminated", "ui", "reacts"});
    app.require("pid");
    platform::RunningApp a;
    a.pid = static_cast<std::int32_t>(app.integer("pid", 0, 1, kMaxPid));
    if (!pids.insert(a.pid).second) app.fail("pid", "unique among the apps");
    a.bundleId = app.optionalString("bundle");
    a.localizedName = app.optionalString("name");
    a.bundlePath = app.optionalString("path");
    a.activationPolicy = policyNamed(app);
    a.terminated = app.boolean("terminated", false);
    apps_.push_back(std::move(a));
  }
  // null, like an absent key, means that no application is in front.
  if (scenario.has("frontmost")) {
    auto pid = static_cast<std::int32_t>(scenario.integer("frontmost", 0, 1, kMaxPid));
    if (!pids.contains(pid)) scenario.fail("frontmost", "the pid of one of the apps");
    frontmost_ = pid;
  }
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

std::optional<std::int32_t> SimWorkspace::frontmostPid() {
  std::lock_guard guard(lock_);
  return frontmost_;
}

bool SimWorkspace::hasApp(std::int32_t pid) {
  std::lock_guard guard(lock_);
  for (const auto& a : apps_)
    if (a.pid == pid) return true;
  return false;
}

bool SimWorkspace::activateApplication(std::int32_t pid) {
  return activate_ && activate_(pid);
}

void SimWorkspace::setFrontmost(std::optional<std::int32_t> pid) {
  std::lock_guard guard(lock_);
  frontmost_ = pid;
}

}  // namespace parlevox::sim
