// The commands that read the focused field: "focusedState" and "focusedValue".
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// Needs accessibility; on the main thread without "around", in the background with it.
void runFocusedState(Helper& h, const Command& c);
/// Needs accessibility; on the main thread.
void runFocusedValue(Helper& h, const Command& c);

}  // namespace parlevox
