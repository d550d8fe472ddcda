// The text written next to the focused field, in reading order: what comes before it ("above")
// and after it ("below"), read outwards from the field through its ancestors.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string_view>

#include "helper/context/deadline.h"
#include "helper/platform/accessibility.h"

namespace parlevox {

/// The attributes the near walk reads of every element it visits, in one batched read.
inline constexpr std::string_view nearAttributes[] = {"AXRole",     "AXSubrole",     "AXValue",
                                                      "AXTitle",    "AXPosition",    "AXSize",
                                                      "AXChildren", "AXDOMClassList"};
/// Limits of one "nearText" command: the time from finding the field, the elements of both
/// directions together (more than this many stops the walk), the depth below each sibling, the
/// levels of ancestors and the characters of one item.
inline constexpr double nearDeadlineMs = 1500;
inline constexpr std::int64_t nearMaxElements = 3999;
inline constexpr int nearMaxDepth = 40;
inline constexpr int nearMaxLevels = 30;
inline constexpr std::int64_t nearItemLimit = 2000;
/// Bounds each read from the application while the field's surroundings are read.
inline constexpr double nearMessagingTimeoutSeconds = 0.5;

/// The character budgets of a maxChars: 3/2 of it above the field, a third of it (at most 2000)
/// below.
std::int64_t aboveBudget(std::int64_t maxChars);
std::int64_t belowBudget(std::int64_t maxChars);

/// The "nearText" reply for the focused element of the application `pid` (absent: no
/// application): {"ok": true, "field" (its rect object, when its frame is known), "above",
/// "below" (items {"t", "role", "cls", "x", "y", "w", "h"})}; {"ok": false, "error":
/// "no_accessibility" or "no_app"}. `clock` times the deadline.
nlohmann::json nearText(platform::Accessibility& ax, bool trusted, std::optional<std::int32_t> pid,
                        std::int64_t maxChars, const Clock& clock);

}  // namespace parlevox
