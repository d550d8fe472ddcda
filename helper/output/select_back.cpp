// Extending the selection leftwards with synthetic Shift+Left presses.
#include "helper/output/select_back.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/output/post_key.h"
#include "helper/platform/key_codes.h"

namespace parlevox {
namespace {

constexpr std::int64_t kMaxSteps = 5000;

}  // namespace

void runSelectBack(Helper& h, const Command& c) {
  const std::int64_t steps = std::clamp<std::int64_t>(c.count.value_or(0), 0, kMaxSteps);
  for (std::int64_t i = 0; i < steps; ++i)
    if (!postKey(*h.platform.events, platform::kLeftArrowKeyCode, platform::kShiftFlag,
                 platform::TapLocation::hid, 0))
      break;
  respond(c.id, {{"ok", true}, {"steps", steps}});
}

}  // namespace parlevox
