// Simulated output volume, for scenarios that define one.
#include "helper/platform/sim/sim_volume.h"

#include <algorithm>

namespace parlevox::sim {

bool SimVolume::load(const ScenarioReader& scenario) {
  if (!scenario.has("volume")) return false;
  auto v = scenario.object("volume");
  if (v.has("level")) level_ = static_cast<float>(v.number("level", 0));
  writable_ = v.boolean("writable", true);
  return true;
}

std::optional<float> SimVolume::outputVolume() {
  return level_;
}

bool SimVolume::setOutputVolume(float volume) {
  if (!level_ || !writable_) return false;
  level_ = std::clamp(volume, 0.0f, 1.0f);
  recorder_.record({{"do", "setVolume"}, {"level", *level_}});
  return true;
}

}  // namespace parlevox::sim
