// The commands that tune keyboard monitoring at run time: config, arm and ownClicks.
#pragma once

namespace parlevox {

struct Command;
struct Helper;
struct HelperState;

/// Arms (at `now`) or disarms hotkey handling; either way ends own-click reporting and restarts
/// the typing-speed measurement.
void setArmed(HelperState& s, double now, bool value);

void runConfig(Helper& h, const Command& c);
void runArm(Helper& h, const Command& c);
void runOwnClicks(Helper& h, const Command& c);

}  // namespace parlevox
