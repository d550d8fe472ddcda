// The session-wide event tap: installing it, keeping it enabled, and the callback for its events.
#pragma once

#include <cstdint>
#include <optional>

#include "helper/platform/events.h"

namespace parlevox {

struct Helper;

/// Flags changed, key down/up, and the left, right and other mouse buttons down/up.
inline constexpr std::uint64_t kTapEventMask = 0x6001C1E;

/// Creates the tap unless one exists; true when a tap exists afterwards.
bool installTap(Helper& h);

/// The tap callback: the event to let through, or nothing to swallow it.
std::optional<platform::InputEvent> handleTapEvent(Helper& h, platform::TapProxy proxy,
                                                   const platform::InputEvent& event);

}  // namespace parlevox
