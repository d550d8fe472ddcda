// The key-code table of the X session: X keycodes (evdev scan codes plus 8) and the virtual key
// codes the helper speaks, matched by physical key position, both ways.
#pragma once

#include <cstdint>
#include <optional>

namespace parlevox::x11 {

/// X keycodes are the kernel's evdev scan codes plus this offset (the evdev keycode set).
inline constexpr unsigned kEvdevOffset = 8;

/// The virtual key code of the key at the position of X keycode `keycode`; nothing for keys
/// without a counterpart.
std::optional<std::int64_t> virtualKeyForKeycode(unsigned keycode);
/// The X keycode of the key at the position of virtual key `code`; nothing for codes without a
/// counterpart (Fn among them: its scan code lies past the X keycode range).
std::optional<unsigned> keycodeForVirtualKey(std::int64_t code);

/// The event-flag bits a key's own events carry: the numeric-pad bit for keypad and arrow keys,
/// the secondary-function bit for function and navigation keys.
std::uint64_t keyClassFlags(std::int64_t code);

}  // namespace parlevox::x11
