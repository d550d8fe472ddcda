// Counting the user's own presses that may have written the pasteboard: key presses with Command
// and mouse presses that reached an application.
#pragma once

#include <cstdint>

#include "helper/platform/events.h"

namespace parlevox {

/// The user's own presses (never the helper's) that reached an application, as the event tap
/// saw them: key presses with Command (a copy or a cut) and mouse presses (a menu's Copy).
/// Counters only grow; a copy the helper asks for compares them before and after.
struct UserPresses {
  std::uint64_t shortcuts = 0, clicks = 0;
  bool operator==(const UserPresses&) const = default;
};

/// Counts the event if it is one of those presses and not the helper's own.
void noteUserPress(UserPresses& presses, const platform::InputEvent& event);

}  // namespace parlevox
