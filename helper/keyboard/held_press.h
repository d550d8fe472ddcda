// Space hold-back: a quiet Space press waits briefly for a modifier that makes it a chord.
#pragma once

#include <string>

#include "helper/platform/events.h"

namespace parlevox {

struct Helper;

/// Holds a copy of the user's Space press back for `KeyGate::chordWindowMs`. True when the press
/// is held and the caller must swallow the user's event.
bool startHeldPress(Helper& h, const platform::InputEvent& like);

/// Delivers the held press now, if there is one: through the proxy, just ahead of the event being
/// handled, or at the session tap when there is no proxy (the timer's case).
void sendHeldPress(Helper& h, platform::TapProxy proxy);

/// Discards the held press without delivering it.
void dropHeldPress(Helper& h);

/// After `name` (a modifier or watched mouse button) was added to the held modifiers: completes
/// a Space-first chord, delivers the held press, or reports a chord made after the Space went
/// through.
void modifierJoined(Helper& h, const std::string& name, platform::TapProxy proxy);

}  // namespace parlevox
