// Typing detection: bursts of the user's own typing and the typing speed.
#pragma once

#include <cstdint>

#include "helper/platform/events.h"
#include "helper/platform/workspace.h"

namespace parlevox {

struct TypingState;

/// Counts a key-down of the user (never one of the helper's own, and not while armed) at `now`
/// towards the typing burst and the typing speed, emitting "typing" and "typed" reports when they
/// are due.
void noteTyping(TypingState& s, platform::Workspace& workspace, double now,
                const platform::InputEvent& event);

/// Adds the interval since the previous keystroke unless it was a pause; reports every
/// `speedReportEvery` counted keystrokes.
void noteTypingSpeed(TypingState& s, double at, bool isDelete);

}  // namespace parlevox
