// Lowering the output volume while the user dictates, and restoring it afterwards.
#include "helper/output/ducking.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "helper/core/state.h"
#include "helper/platform/volume.h"

namespace parlevox {
namespace {

// A volume that moved no more than this since ducking still counts as the ducked level.
constexpr float kUserChangeTolerance = 0.02f;

}  // namespace

nlohmann::json duck(DuckingState& s, platform::Volume* volume, double level) {
  if (s.duckedFrom) return {{"ok", true}, {"already", true}};
  auto current = volume ? volume->outputVolume() : std::nullopt;
  if (!current) return {{"ok", false}, {"error", "no_volume_control"}};
  const float factor = std::isnan(level) ? 0.0f : static_cast<float>(std::clamp(level, 0.0, 1.0));
  const float target = factor * *current;
  if (!volume->setOutputVolume(target)) return {{"ok", false}, {"error", "set_failed"}};
  s.duckedFrom = *current;
  s.duckedTo = target;
  return {{"ok", true}};
}

nlohmann::json unduck(DuckingState& s, platform::Volume* volume) {
  if (!s.duckedFrom) return {{"ok", true}, {"already", true}};
  const float from = *s.duckedFrom;
  const float to = *s.duckedTo;
  s.duckedFrom.reset();
  s.duckedTo.reset();
  auto current = volume ? volume->outputVolume() : std::nullopt;
  if (current && std::fabs(*current - to) > kUserChangeTolerance)
    return {{"ok", true}, {"userChanged", true}};
  return {{"ok", volume && volume->setOutputVolume(from)}};
}

}  // namespace parlevox
