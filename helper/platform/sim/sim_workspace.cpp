// Simulated workspace: the applications of the scenario and this process's activation policy.
#include "helper/platform/sim/sim_workspace.h"

namespace parlevox::sim {

void SimWorkspace::load(const ScenarioReader&) {}

void SimWorkspace::prohibitActivation() {
  recorder_.record({{"do", "activationPolicy"}, {"policy", "prohibited"}});
}

}  // namespace parlevox::sim
