// Whether a key combination is held as a global hot key by another program, and which of the
// system's own shortcuts are switched on.
#include "helper/keyboard/hotkey_availability.h"

#include <cmath>

#include "helper/platform/hot_keys.h"
#include "helper/platform/key_codes.h"
#include "helper/platform/symbolic_hot_keys.h"

namespace parlevox {
namespace {

using platform::HotKeyDictionary;
using platform::HotKeyProperty;

const HotKeyProperty* property(const HotKeyDictionary& entry, const char* key) {
  const auto it = entry.find(key);
  return it == entry.end() ? nullptr : &it->second;
}

// A number's integer value (toward zero); nothing for other kinds and for numbers no 64-bit
// integer can hold, which a real shortcut never has.
std::optional<std::int64_t> integerOf(const HotKeyProperty* value) {
  const auto* number = value ? std::get_if<double>(value) : nullptr;
  if (!number || !std::isfinite(*number) || std::fabs(*number) >= 9.2e18) return std::nullopt;
  return static_cast<std::int64_t>(*number);
}

// A number (or boolean, which the system keeps as a number) whose boolean value is true.
bool isOn(const HotKeyProperty* value) {
  if (!value) return false;
  if (const auto* b = std::get_if<bool>(value)) return *b;
  if (const auto* number = std::get_if<double>(value)) return *number != 0;
  return false;
}

}  // namespace

std::optional<bool> hotkeyTaken(platform::HotKeys* hotKeys, const HotkeyAsk& ask) {
  const auto code = platform::keyCodeNamed(ask.key);
  if (!code) return std::nullopt;
  std::uint32_t modifiers = 0;
  for (const auto& word : ask.mods) {
    const auto bit = platform::carbonModifier(word);
    if (!bit) return std::nullopt;
    modifiers |= *bit;
  }
  if (!hotKeys) return std::nullopt;
  const auto registration =
      hotKeys->registerHotKey(static_cast<std::uint32_t>(*code), modifiers,
                              {hotkeyProbeSignature, hotkeyProbeId}, platform::kHotKeyExclusive);
  if (registration.status == 0) {
    if (registration.ref) hotKeys->unregisterHotKey(*registration.ref);
    return false;
  }
  if (registration.status == platform::kHotKeyExistsErr) return true;
  // The call failed but may still have handed a hot key back; none stays registered.
  if (registration.ref) hotKeys->unregisterHotKey(*registration.ref);
  return std::nullopt;
}

std::vector<std::array<std::int64_t, 2>> symbolicHotKeysOn(platform::SymbolicHotKeys* symbolic) {
  std::vector<std::array<std::int64_t, 2>> on;
  if (!symbolic) return on;
  const auto read = symbolic->copySymbolicHotKeys();
  if (read.status != 0 || !read.entries) return on;
  // A list holding anything but dictionaries is not the list of shortcuts.
  for (const auto& entry : *read.entries)
    if (!entry) return on;
  for (const auto& entry : *read.entries) {
    if (!isOn(property(*entry, "kHISymbolicHotKeyEnabled"))) continue;
    const auto code = integerOf(property(*entry, "kHISymbolicHotKeyCode"));
    const auto modifiers = integerOf(property(*entry, "kHISymbolicHotKeyModifiers"));
    if (code && modifiers) on.push_back({*code, *modifiers});
  }
  return on;
}

}  // namespace parlevox
