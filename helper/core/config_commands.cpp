// The commands that tune keyboard monitoring at run time: config, arm and ownClicks.
#include "helper/core/config_commands.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"

namespace parlevox {

void setArmed(HelperState& s, double now, bool value) {
  if (value) s.keyboard.armedAt = now;
  s.keyboard.armed = value;
  s.ownClicks.on = false;
  s.ownClicks.rect.reset();
  s.typing.speedLast = 0;
}

void runConfig(Helper& h, const Command& c) {
  auto& keyboard = h.state.keyboard;
  auto& typing = h.state.typing;
  if (c.watch) keyboard.watchedModifiers = {c.watch->begin(), c.watch->end()};
  if (c.swallow) keyboard.swallowRules = *c.swallow;
  if (c.armed) setArmed(h.state, h.now(), *c.armed);
  if (c.typingAfterMs) {
    typing.typingAfterMs = std::max(*c.typingAfterMs, 0.0);
    typing.typingReported = false;
  }
  if (c.typingGapMs) typing.typingGapMs = std::max(*c.typingGapMs, 500.0);
  if (c.typingMarks) {
    // Marks count as passed for the burst in progress; they apply from the next burst on.
    typing.typingMarks.clear();
    std::copy_if(c.typingMarks->begin(), c.typingMarks->end(),
                 std::back_inserter(typing.typingMarks), [](double mark) { return mark > 0; });
    std::stable_sort(typing.typingMarks.begin(), typing.typingMarks.end());
    typing.typingNextMark = static_cast<std::int64_t>(typing.typingMarks.size());
  }
  if (c.typingStats) typing.typingStats = *c.typingStats;
  if (c.captureAfterMs) keyboard.captureAfterMs = std::max(*c.captureAfterMs, 0.0);
  respond(c.id, {{"ok", true}});
}

void runArm(Helper& h, const Command& c) {
  setArmed(h.state, h.now(), c.armed.value_or(true));
  respond(c.id, {{"ok", true}});
}

void runOwnClicks(Helper& h, const Command& c) {
  auto& s = h.state.ownClicks;
  s.on = c.on.value_or(false);
  s.rect.reset();
  if (s.on && c.rect && c.rect->size() == 4) {
    const auto& r = *c.rect;
    s.rect = Rect{r[0], r[1], r[2], r[3]};
  }
  respond(c.id, {{"ok", true}});
}

}  // namespace parlevox
