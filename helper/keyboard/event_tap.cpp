// The session-wide event tap: installing it, keeping it enabled, and the callback for its events.
#include "helper/keyboard/event_tap.h"

#include <nlohmann/json.hpp>

#include "helper/core/emit.h"
#include "helper/core/helper.h"

namespace parlevox {

bool installTap(Helper& h) {
  if (h.state.eventTap) return true;
  auto callback = [&h](platform::TapProxy proxy, const platform::InputEvent& event) {
    return handleTapEvent(h, proxy, event);
  };
  if (!h.platform.events->createTap(kTapEventMask, callback)) return false;
  h.state.eventTap = true;
  return true;
}

std::optional<platform::InputEvent> handleTapEvent(Helper& h, platform::TapProxy,
                                                   const platform::InputEvent& event) {
  switch (event.type) {
    case platform::kTapDisabledByTimeout:
    case platform::kTapDisabledByUserInput:
      emit({{"t", "tapOff"}, {"timeout", event.type == platform::kTapDisabledByTimeout}});
      if (h.state.eventTap) h.platform.events->enableTap();
      return event;
    default:
      return event;
  }
}

}  // namespace parlevox
