// The "key" event, the tap's most frequent line, serialised without a JSON tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parlevox {

/// {"code", "down", "key" (when named), "swallowed", "t": "key", "ts"} as compact JSON text with
/// sorted keys; it reads back as exactly the object the JSON library would write (the library's
/// own text of a fractional time may differ in its last digit, never in its value).
std::string keyEventLine(std::int64_t code, bool down, bool swallowed, double ts,
                         std::optional<std::string_view> name);

/// Emits the "key" event.
void emitKeyEvent(std::int64_t code, bool down, bool swallowed, double ts,
                  std::optional<std::string_view> name);

}  // namespace parlevox
