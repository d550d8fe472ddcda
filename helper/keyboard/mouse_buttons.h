// Mouse buttons at the event tap: watched extra buttons, own-click capture, activity reports.
#pragma once

#include <optional>
#include <string>

#include "helper/platform/events.h"

namespace parlevox {

struct Helper;
struct KeyboardState;
struct OwnClickState;

/// Own-click capture of a left or right press or release at `now`: true when captured, and then
/// the "ownClick" event is out and the caller swallows the event. A release is captured exactly
/// when its press was.
bool ownClick(OwnClickState& s, double now, const platform::InputEvent& event);

/// "MouseButton4" or "MouseButton5" for the fourth and fifth buttons when that name is watched.
std::optional<std::string> watchedMouseButton(const KeyboardState& s,
                                              const platform::InputEvent& event);

/// The tap's handling of each mouse event type: the event to let through, or nothing to swallow.
std::optional<platform::InputEvent> handleMouseDown(Helper& h, platform::TapProxy proxy,
                                                    const platform::InputEvent& event);
std::optional<platform::InputEvent> handleMouseUp(Helper& h, const platform::InputEvent& event);
std::optional<platform::InputEvent> handleOtherMouseDown(Helper& h, platform::TapProxy proxy,
                                                         const platform::InputEvent& event);
std::optional<platform::InputEvent> handleOtherMouseUp(Helper& h,
                                                       const platform::InputEvent& event);

}  // namespace parlevox
