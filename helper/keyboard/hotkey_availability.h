// Whether a key combination is held as a global hot key by another program, and which of the
// system's own shortcuts are switched on.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "helper/core/command.h"

namespace parlevox {

namespace platform {
class HotKeys;
class SymbolicHotKeys;
}  // namespace platform

/// The probe's hot-key identifier: signature "PVKY", id 1.
inline constexpr std::uint32_t hotkeyProbeSignature = 0x50564B59;
inline constexpr std::uint32_t hotkeyProbeId = 1;

/// Tries to register the combination exclusively: true when another program holds it, false
/// when it was free (the probe's registration is given back at once), nothing when it cannot be
/// told (a key name or modifier word not in the tables, any other failure, no service).
std::optional<bool> hotkeyTaken(platform::HotKeys* hotKeys, const HotkeyAsk& ask);

/// [key code, modifiers] of every enabled system shortcut, in the system's order; empty when the
/// list cannot be read. Entries without a number code and modifiers are left out.
std::vector<std::array<std::int64_t, 2>> symbolicHotKeysOn(platform::SymbolicHotKeys* symbolic);

}  // namespace parlevox
