// The once-a-second housekeeping: retrying the event tap and watching secure keyboard entry.
#include "helper/app/housekeeping.h"

#include <nlohmann/json.hpp>

#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/event_tap.h"

namespace parlevox {

void housekeepingTick(Helper& h) {
  auto& s = h.state.keyboard;
  if (s.keysWanted && !s.eventTap && installTap(h)) emit({{"t", "tap"}, {"ok", true}});
  const bool secure = h.platform.events->secureInputEnabled();
  if (s.lastSecureInput != secure) {
    s.lastSecureInput = secure;
    emit({{"t", "secure"}, {"on", secure}});
  }
}

void scheduleHousekeeping(Helper& h) {
  h.loop.after(1000.0, [&h] {
    housekeepingTick(h);
    scheduleHousekeeping(h);
  });
}

}  // namespace parlevox
