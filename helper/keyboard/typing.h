// Typing detection: bursts of the user's own typing and the typing speed.
#pragma once

#include <cstdint>

#include "helper/platform/events.h"

namespace parlevox {

struct Helper;

/// Counts a key-down of the user (never one of the helper's own) towards the typing burst and
/// the typing speed, emitting "typing" and "typed" reports when they are due.
void noteTyping(Helper& h, const platform::InputEvent& event, std::int64_t code);

/// Adds the interval since the previous keystroke unless it was a pause; reports every
/// `speedReportEvery` counted keystrokes.
void noteTypingSpeed(Helper& h, double at, bool isDelete);

}  // namespace parlevox
