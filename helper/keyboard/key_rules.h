// The questions the event tap asks about held keys: reporting, capture, swallow rules.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace parlevox {

struct KeyboardState;
namespace platform {
class EventSystem;
struct SwallowNeeds;
}  // namespace platform

/// Armed, or a watched modifier (or watched mouse button) is held.
bool shouldReportKeys(const KeyboardState& s);

/// Whether a watched name is held now.
bool watchedModifierHeld(const KeyboardState& s);

/// While armed with a watched modifier held: Return and Escape always, every other key once
/// `captureAfterMs` has passed since arming (at `now`).
bool captureAllInput(const KeyboardState& s, double now, std::optional<std::string_view> name);

/// Whether the first swallow rule for `key` with a non-empty `when` has all of its names held,
/// counting `alsoDown` as held too. False when `key` is absent.
bool swallowRuleHolds(const KeyboardState& s, std::optional<std::string_view> key,
                      const std::set<std::string>& alsoDown = {});

/// The presses the tap may have to swallow: each swallow rule's key with its modifiers held, a
/// Space that may start a chord on its own, and every key while all input may be captured.
platform::SwallowNeeds swallowNeeds(const KeyboardState& s);

/// Tells the event system what `swallowNeeds` gives when that differs from what it was last told
/// (it starts out needing nothing). For a change of rules, watched keys or arming.
void tellSwallowNeeds(platform::EventSystem& events, KeyboardState& s);

/// After a key or button event: only whether every key may be captured can have changed, so only
/// that is worked out, and the event system is told when it did change.
void tellCaptureChange(platform::EventSystem& events, KeyboardState& s);

/// Names of the modifier keys whose device bit is set in `flags`.
std::set<std::string> modifiersDown(std::uint64_t flags);

/// The held modifiers and buttons, then every named key the keyboard reports down now.
std::vector<std::string> pressedKeyNames(const KeyboardState& s, platform::EventSystem& events);

}  // namespace parlevox
