// The once-a-second housekeeping: retrying the event tap and watching secure keyboard entry.
#pragma once

namespace parlevox {

struct Helper;

/// One tick; the first reports secure input whatever its state, later ones only its changes.
void housekeepingTick(Helper& h);

/// Schedules a tick every second on the main loop, the first one second from now.
void scheduleHousekeeping(Helper& h);

}  // namespace parlevox
