// Counting the user's own presses that may have written the pasteboard: key presses with Command
// and mouse presses that reached an application.
#pragma once

#include "helper/core/state.h"
#include "helper/platform/events.h"

namespace parlevox {

/// Counts the event if it is one of those presses and not the helper's own.
void noteUserPress(UserPresses& presses, const platform::InputEvent& event);

}  // namespace parlevox
