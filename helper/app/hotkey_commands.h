// The "hotkeyOwners" command: who already uses a key combination.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// The hot-key probes and the running applications on the main thread, the menu search in the
/// background; one reply {"ok", "taken", "apps", "symbolic", "menus"}.
void runHotkeyOwners(Helper& h, const Command& c);

}  // namespace parlevox
