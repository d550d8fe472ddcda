// The tap's reports: the "key" event, its most frequent line, written without a JSON tree, and
// the "down" event of a watched key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parlevox {

struct Helper;

/// {"code", "down", "key" (when named), "swallowed", "t": "key", "ts"} as compact JSON text with
/// sorted keys; it reads back as exactly the object the JSON library would write (the library's
/// own text of a fractional time may differ in its last digit, never in its value).
std::string keyEventLine(std::int64_t code, bool down, bool swallowed, double ts,
                         std::optional<std::string_view> name);

/// A watched modifier or mouse button went down: asks the frontmost application (once) to make
/// its fields readable and emits the "down" event with it and the keys now pressed.
void reportWatchedDown(Helper& h, const std::string& name);

/// Emits the "key" event.
void emitKeyEvent(std::int64_t code, bool down, bool swallowed, double ts,
                  std::optional<std::string_view> name);

}  // namespace parlevox
