// Simulated permissions: granted or not as the scenario says, requests recorded.
#include "helper/platform/sim/sim_permissions.h"

namespace parlevox::sim {

void SimPermissions::load(const ScenarioReader& scenario) {
  auto p = scenario.object("permissions");
  accessibility_ = p.boolean("accessibility", true);
  screen_ = p.boolean("screenRecording", true);
  listen_ = p.boolean("listenEvent", true);
  grantOnRequest_ = p.boolean("grantOnRequest", false);
}

bool SimPermissions::requestScreenCapture() {
  recorder_.record({{"do", "request"}, {"permission", "screenRecording"}});
  if (grantOnRequest_) screen_ = true;
  return screen_;
}

bool SimPermissions::requestListenEvent() {
  recorder_.record({{"do", "request"}, {"permission", "listenEvent"}});
  if (grantOnRequest_) listen_ = true;
  return listen_;
}

}  // namespace parlevox::sim
