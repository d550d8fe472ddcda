// Turns each decoded command into a call of the service that does its work, and its reply.
#pragma once

#include <string_view>

namespace parlevox {

struct Command;
struct Helper;

/// Runs one command on the main thread; exactly one reply goes out, now or when its work ends.
void handleCommand(Helper& h, const Command& command);

}  // namespace parlevox
