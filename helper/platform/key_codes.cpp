// The fixed key vocabulary and event bits: modifier keys, named keys, event-flag bits, hot-key
// modifier bits, non-typing keys, and the mark on the helper's own events.
#include "helper/platform/key_codes.h"

#include <algorithm>
#include <array>

namespace parlevox::platform {
namespace {

constexpr std::array<ModifierKey, 9> kModifierKeys{{
    {58, "LeftOption", 0x20},
    {61, "RightOption", 0x40},
    {56, "LeftShift", 0x2},
    {60, "RightShift", 0x4},
    {59, "LeftControl", 0x1},
    {62, "RightControl", 0x2000},
    {55, "LeftCommand", 0x8},
    {54, "RightCommand", 0x10},
    {63, "Fn", 0x800000},
}};

constexpr std::array<NamedKey, 51> kNamedKeys{{
    {49, "Space"},
    {53, "Escape"},
    {36, "Return"},
    {0, "KeyA"},
    {11, "KeyB"},
    {8, "KeyC"},
    {2, "KeyD"},
    {14, "KeyE"},
    {3, "KeyF"},
    {5, "KeyG"},
    {4, "KeyH"},
    {34, "KeyI"},
    {38, "KeyJ"},
    {40, "KeyK"},
    {37, "KeyL"},
    {46, "KeyM"},
    {45, "KeyN"},
    {31, "KeyO"},
    {35, "KeyP"},
    {12, "KeyQ"},
    {15, "KeyR"},
    {1, "KeyS"},
    {17, "KeyT"},
    {32, "KeyU"},
    {9, "KeyV"},
    {13, "KeyW"},
    {7, "KeyX"},
    {16, "KeyY"},
    {6, "KeyZ"},
    {29, "Key0"},
    {18, "Key1"},
    {19, "Key2"},
    {20, "Key3"},
    {21, "Key4"},
    {23, "Key5"},
    {22, "Key6"},
    {26, "Key7"},
    {28, "Key8"},
    {25, "Key9"},
    {44, "KeySlash"},
    {10, "KeySection"},
    {50, "KeyGrave"},
    {47, "KeyPeriod"},
    {43, "KeyComma"},
    {41, "KeySemicolon"},
    {39, "KeyQuote"},
    {33, "KeyBracketLeft"},
    {30, "KeyBracketRight"},
    {27, "KeyMinus"},
    {24, "KeyEqual"},
    {42, "KeyBackslash"},
}};

// Escape; arrows; Home, End, Page Up, Page Down; Help; F1–F20.
constexpr std::array<std::int64_t, 30> kNonTypingKeyCodes{
    53, 123, 124, 125, 126, 115, 119, 116, 121, 114, 122, 120, 99, 118, 96,
    97, 98,  100, 101, 109, 103, 111, 105, 107, 113, 106, 64,  79, 80,  90,
};

}  // namespace

std::span<const ModifierKey> modifierKeys() {
  return kModifierKeys;
}
std::span<const NamedKey> namedKeys() {
  return kNamedKeys;
}

const ModifierKey* modifierKeyFor(std::int64_t code) {
  auto it = std::find_if(kModifierKeys.begin(), kModifierKeys.end(),
                         [code](const ModifierKey& k) { return k.code == code; });
  return it == kModifierKeys.end() ? nullptr : &*it;
}

std::optional<std::string_view> keyName(std::int64_t code) {
  // A direct table indexed by key code: the tap callback asks this for every key event.
  static const auto byCode = [] {
    std::array<std::string_view, 128> table{};
    for (const auto& k : kNamedKeys) table[static_cast<std::size_t>(k.code)] = k.name;
    return table;
  }();
  if (code < 0 || code >= static_cast<std::int64_t>(byCode.size())) return std::nullopt;
  auto name = byCode[static_cast<std::size_t>(code)];
  if (name.empty()) return std::nullopt;
  return name;
}

std::optional<std::int64_t> keyCodeNamed(std::string_view name) {
  for (const auto& k : kNamedKeys)
    if (k.name == name) return k.code;
  return std::nullopt;
}

std::uint64_t independentFlag(const ModifierKey& key) {
  if (key.name.ends_with("Shift")) return kShiftFlag;
  if (key.name.ends_with("Control")) return kControlFlag;
  if (key.name.ends_with("Option")) return kOptionFlag;
  if (key.name.ends_with("Command")) return kCommandFlag;
  return 0;
}

std::optional<std::uint32_t> carbonModifier(std::string_view word) {
  if (word == "command") return 256;
  if (word == "shift") return 512;
  if (word == "option") return 2048;
  if (word == "control") return 4096;
  return std::nullopt;
}

bool isNonTypingKey(std::int64_t code) {
  return std::find(kNonTypingKeyCodes.begin(), kNonTypingKeyCodes.end(), code) !=
         kNonTypingKeyCodes.end();
}

}  // namespace parlevox::platform
