// The fixed key vocabulary and event bits: modifier keys, named keys, event-flag bits, hot-key
// modifier bits, non-typing keys, and the mark on the helper's own events.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace parlevox::platform {

/// Device-independent modifier bits of an event's flags.
inline constexpr std::uint64_t kShiftFlag = 0x20000;
inline constexpr std::uint64_t kControlFlag = 0x40000;
inline constexpr std::uint64_t kOptionFlag = 0x80000;
inline constexpr std::uint64_t kCommandFlag = 0x100000;
/// Set on the events of keypad and arrow keys.
inline constexpr std::uint64_t kNumericPadFlag = 0x200000;
/// The secondary-function bit: Fn held, and set on the events of function keys.
inline constexpr std::uint64_t kSecondaryFnFlag = 0x800000;
/// Shift, Control, Option, Command and Fn.
inline constexpr std::uint64_t kModifierFlags =
    kShiftFlag | kControlFlag | kOptionFlag | kCommandFlag | kSecondaryFnFlag;

/// Key codes the logic names directly.
inline constexpr std::int64_t kSpaceKeyCode = 49;
inline constexpr std::int64_t kEscapeKeyCode = 53;
inline constexpr std::int64_t kDeleteKeyCode = 51;
inline constexpr std::int64_t kForwardDeleteKeyCode = 117;
inline constexpr std::int64_t kLeftArrowKeyCode = 123;
inline constexpr std::int64_t kRightArrowKeyCode = 124;
inline constexpr std::int64_t kReturnKeyCode = 36;

/// The user-data value written into every keyboard event the helper posts ("Vorn").
inline constexpr std::int64_t syntheticMark = 0x566F726E;

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

/// The device-independent bit a modifier key sets besides its own device bit (none for Fn, whose
/// mask is already the secondary-function bit).
std::uint64_t independentFlag(const ModifierKey& key);

/// Hot-key modifier bit for "command", "shift", "option" and "control".
std::optional<std::uint32_t> carbonModifier(std::string_view word);

/// Escape, arrows, Home/End/Page keys, Help and F1–F20: keys that never count as typing.
bool isNonTypingKey(std::int64_t code);

}  // namespace parlevox::platform
