// Extending the selection leftwards with synthetic Shift+Left presses.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// Posts up to 5000 Shift+Left presses and replies with the number asked for.
void runSelectBack(Helper& h, const Command& c);

}  // namespace parlevox
