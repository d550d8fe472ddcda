// Simulated workspace: the applications of the scenario and this process's activation policy.
#pragma once

#include "helper/platform/sim/recorder.h"
#include "helper/platform/sim/scenario_reader.h"
#include "helper/platform/workspace.h"

namespace parlevox::sim {

class SimWorkspace final : public platform::Workspace {
 public:
  explicit SimWorkspace(Recorder& recorder) : recorder_(recorder) {}
  void load(const ScenarioReader& scenario);

  void prohibitActivation() override;

 private:
  Recorder& recorder_;
};

}  // namespace parlevox::sim
