// Posting one synthetic key press, marked so that the helper's own tap lets it pass.
#pragma once

#include <cstdint>

#include "helper/platform/events.h"

namespace parlevox {

/// Posts a key-down and, `gapMicros` later, a key-up of `keyCode` at `tap`, both with exactly
/// `flags` and the helper's mark in their user data. The gap blocks the calling thread. False,
/// and nothing posted, when either event cannot be created.
bool postKey(platform::EventSystem& events, std::uint16_t keyCode, std::uint64_t flags,
             platform::TapLocation tap = platform::TapLocation::session,
             std::uint32_t gapMicros = 8000);

}  // namespace parlevox
