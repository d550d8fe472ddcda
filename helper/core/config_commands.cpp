// The commands that tune keyboard monitoring at run time: config, arm and ownClicks.
#include "helper/core/config_commands.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"

namespace parlevox {

void setArmed(Helper& h, bool value) {
  auto& s = h.state;
  if (value) s.armedAt = h.now();
  s.armed = value;
  s.ownClicks = false;
  s.ownRect.reset();
  s.speedLast = 0;
}

void runConfig(Helper& h, const Command& c) {
  auto& s = h.state;
  if (c.watch) s.watchedModifiers = {c.watch->begin(), c.watch->end()};
  if (c.swallow) s.swallowRules = *c.swallow;
  if (c.armed) setArmed(h, *c.armed);
  if (c.typingAfterMs) {
    s.typingAfterMs = std::max(*c.typingAfterMs, 0.0);
    s.typingReported = false;
  }
  if (c.typingGapMs) s.typingGapMs = std::max(*c.typingGapMs, 500.0);
  if (c.typingMarks) {
    // Marks count as passed for the burst in progress; they apply from the next burst on.
    s.typingMarks.clear();
    std::copy_if(c.typingMarks->begin(), c.typingMarks->end(), std::back_inserter(s.typingMarks),
                 [](double mark) { return mark > 0; });
    std::stable_sort(s.typingMarks.begin(), s.typingMarks.end());
    s.typingNextMark = static_cast<std::int64_t>(s.typingMarks.size());
  }
  if (c.typingStats) s.typingStats = *c.typingStats;
  if (c.captureAfterMs) s.captureAfterMs = std::max(*c.captureAfterMs, 0.0);
  respond(c.id, {{"ok", true}});
}

void runArm(Helper& h, const Command& c) {
  setArmed(h, c.armed.value_or(true));
  respond(c.id, {{"ok", true}});
}

void runOwnClicks(Helper& h, const Command& c) {
  auto& s = h.state;
  s.ownClicks = c.on.value_or(false);
  s.ownRect.reset();
  if (s.ownClicks && c.rect && c.rect->size() == 4) {
    const auto& r = *c.rect;
    s.ownRect = Rect{r[0], r[1], r[2], r[3]};
  }
  respond(c.id, {{"ok", true}});
}

}  // namespace parlevox
