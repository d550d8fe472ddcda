// Copying the frontmost application's selection through the general pasteboard with the copy
// shortcut, and giving the user's pasteboard back byte for byte.
#pragma once

#include <functional>
#include <string>

namespace parlevox {

struct Helper;

/// How long the copy may take before the answer goes out, and how often the pasteboard is looked
/// at meanwhile.
inline constexpr double kCopyWaitMs = 350;
inline constexpr double kCopyPollMs = 10;
/// How long after that wait a late copy is still undone, and how often it is looked for.
inline constexpr double kLateCopyGraceMs = 1000;
inline constexpr double kLateCopyPollMs = 20;

/// Saves the pasteboard, presses Command+C on the key that types "c" with Command held, and waits
/// up to 0.35 s on main-loop timers for the pasteboard to change. `done` gets the plain text then
/// on the pasteboard ("" when nothing changed or it has no text, and at once when no key types
/// "c" or the keys cannot be posted).
///
/// The user's pasteboard comes back exactly as it was when the copy changed it, unless the user
/// pressed a Command shortcut meanwhile (their own copy is newer and stays). A copy that lands
/// after the wait is undone too, when it is the only change within the next second and neither
/// the user (a shortcut or click) nor the main application (any command but another selection)
/// has acted meanwhile; the decision falls at the end of that second, or when the next selection
/// starts.
void copySelection(Helper& h, std::function<void(std::string text)> done);

/// A command other than a selection arrived. The main application may have written the
/// pasteboard itself before sending it, so a late copy is no longer undone.
void abandonLateCopy(Helper& h);

}  // namespace parlevox
