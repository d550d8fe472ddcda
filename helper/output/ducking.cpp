// Lowering the output volume while the user dictates, and restoring it afterwards.
#include "helper/output/ducking.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "helper/core/helper.h"
#include "helper/platform/volume.h"

namespace parlevox {
namespace {

// A volume that moved no more than this since ducking still counts as the ducked level.
constexpr float kUserChangeTolerance = 0.02f;

}  // namespace

nlohmann::json duck(Helper& h, double level) {
  auto& s = h.state;
  if (s.duckedFrom) return {{"ok", true}, {"already", true}};
  auto* volume = h.platform.volume;
  auto current = volume ? volume->outputVolume() : std::nullopt;
  if (!current) return {{"ok", false}, {"error", "no_volume_control"}};
  const float factor = std::isnan(level) ? 0.0f : static_cast<float>(std::clamp(level, 0.0, 1.0));
  const float target = factor * *current;
  if (!volume->setOutputVolume(target)) return {{"ok", false}, {"error", "set_failed"}};
  s.duckedFrom = *current;
  s.duckedTo = target;
  return {{"ok", true}};
}

nlohmann::json unduck(Helper& h) {
  auto& s = h.state;
  if (!s.duckedFrom) return {{"ok", true}, {"already", true}};
  const float from = *s.duckedFrom;
  const float to = *s.duckedTo;
  s.duckedFrom.reset();
  s.duckedTo.reset();
  auto* volume = h.platform.volume;
  auto current = volume ? volume->outputVolume() : std::nullopt;
  if (current && std::fabs(*current - to) > kUserChangeTolerance)
    return {{"ok", true}, {"userChanged", true}};
  return {{"ok", volume && volume->setOutputVolume(from)}};
}

}  // namespace parlevox
