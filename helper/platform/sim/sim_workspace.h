// Simulated workspace: the applications of the scenario and this process's activation policy.
#pragma once

#include <functional>
#include <mutex>

#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/workspace.h"

namespace parlevox::sim {

class SimWorkspace final : public platform::Workspace {
 public:
  explicit SimWorkspace(Recorder& recorder) : recorder_(recorder) {}
  /// Reads the scenario's "apps" list and its "frontmost" pid ("ui" is the accessibility tree's).
  void load(const ScenarioReader& scenario);

  std::optional<platform::RunningApp> frontmostApplication() override;
  std::vector<platform::RunningApp> runningApplications() override;
  void prohibitActivation() override;
  /// Passes the request to the handler given with `onActivate`; false without one.
  bool activateApplication(std::int32_t pid) override;

  /// Who answers activation requests: the simulated applications.
  void onActivate(std::function<bool(std::int32_t pid)> handler) { activate_ = std::move(handler); }

  /// Brings the application with `pid` to the front (nothing in front for an unknown pid).
  void setFrontmost(std::optional<std::int32_t> pid);
  /// The pid of the application in front, if any.
  std::optional<std::int32_t> frontmostPid();
  /// Whether one of the scenario's applications has this pid.
  bool hasApp(std::int32_t pid);

 private:
  Recorder& recorder_;
  std::mutex lock_;  // background queries read the apps while the main thread may change them
  std::vector<platform::RunningApp> apps_;
  std::optional<std::int32_t> frontmost_;
  std::function<bool(std::int32_t pid)> activate_;
};

}  // namespace parlevox::sim
