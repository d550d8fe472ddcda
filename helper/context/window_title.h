// The title of an application's focused window.
#pragma once

#include <cstdint>
#include <string>

#include "helper/platform/accessibility.h"

namespace parlevox {

/// The "AXTitle" of the focused window of the application of `pid`, read with a messaging
/// timeout of 0.3 seconds on the application and on the window; empty when there is no window
/// or no readable title. UTF-16 as the application served it.
std::u16string focusedWindowTitle(platform::Accessibility& ax, std::int32_t pid);

}  // namespace parlevox
