// A snapshot of what is visible in the window the user works in: the application and window,
// the page address, the focused value around the caret, and the visible texts of the area
// around the focused element and of the rest of the window.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <vector>

#include "helper/context/deadline.h"
#include "helper/platform/accessibility.h"
#include "helper/platform/geometry.h"
#include "helper/platform/workspace.h"

namespace parlevox {

/// Limits of one capture: messaging timeout on the application, the climb from the focused
/// element, the elements of the area walk and of the rest walk, the characters the area must
/// exceed, and the time after which no more elements are read.
inline constexpr double contextMessagingTimeoutSeconds = 0.5;
inline constexpr int areaMaxLevels = 12;
inline constexpr std::int64_t areaMaxElements = 1500;
inline constexpr std::int64_t restMaxElements = 4000;
inline constexpr std::int64_t areaMinCharacters = 600;
inline constexpr double contextDeadlineMs = 2000;

/// What a capture needs from the helper, taken on the main thread.
struct ContextRequest {
  bool trusted = false;                     // may read other applications' elements
  std::optional<platform::RunningApp> app;  // the application asked for, or the frontmost
  std::int64_t maxChars = 6000;
  bool everything = false;               // collect what is scrolled out or off the displays
  std::vector<platform::Rect> displays;  // bounds of the active displays
  Clock clock;                           // times the deadline; none: no deadline
};

/// The "context" reply: {"ok": true, "app", and with a window "title", "url" (a page address),
/// "focusedValue"/"focusedCaret", "area", "texts"}; {"ok": false, "error": "no_accessibility"
/// or "no_app"}.
nlohmann::json captureContext(platform::Accessibility& ax, const ContextRequest& request);

}  // namespace parlevox
