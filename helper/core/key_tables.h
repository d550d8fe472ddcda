// The fixed key vocabulary: modifier keys, named keys, hot-key modifier bits, non-typing keys.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace parlevox {

struct ModifierKey {
  std::int64_t code;
  std::string_view name;
  std::uint64_t mask;  // device-dependent flag bit of the key (Fn: the secondary-function bit)
};

struct NamedKey {
  std::int64_t code;
  std::string_view name;
};

/// The nine modifier keys, left and right variants and Fn.
std::span<const ModifierKey> modifierKeys();
/// The 51 named keys; letters and digits name ANSI key positions.
std::span<const NamedKey> namedKeys();

const ModifierKey* modifierKeyFor(std::int64_t code);
std::optional<std::string_view> keyName(std::int64_t code);
std::optional<std::int64_t> keyCodeNamed(std::string_view name);

/// Hot-key modifier bit for "command", "shift", "option" and "control".
std::optional<std::uint32_t> carbonModifier(std::string_view word);

/// Escape, arrows, Home/End/Page keys, Help and F1–F20: keys that never count as typing.
bool isNonTypingKey(std::int64_t code);

}  // namespace parlevox
