// Commands about the helper process itself: status, permissions and quitting.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

void runStatus(Helper& h, const Command& c);
void runScreenAccess(Helper& h, const Command& c);
void runInputAccess(Helper& h, const Command& c);
/// Restores the output volume, replies, then ends the process with status 0.
void runQuit(Helper& h, const Command& c);

}  // namespace parlevox
