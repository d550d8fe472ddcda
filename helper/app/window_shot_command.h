// The "windowShot" command: its fields and defaults, handed to the window shot.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// Takes the shot of `pid` (else the frontmost application's, else 0) as an asynchronous task;
/// the reply goes out with the command's id when the shot is done.
void runWindowShot(Helper& h, const Command& c);

}  // namespace parlevox
