// The keyboard layouts the simulated desktop ships: key-translation tables with dead keys.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parlevox::sim {

/// What one key produces in one modifier table.
struct LayoutOutput {
  std::u16string text;  // the characters, or a dead key's own character
  int deadKey = 0;      // 0, or the id of the dead key this key starts (see `deadKeyNamed`)
};

/// One layout: what each key code (0–127) produces without modifiers, with Shift, and with
/// Command. An empty output means the key produces nothing in that table.
struct SimLayout {
  std::string name;
  std::array<LayoutOutput, 128> base, shift, command;
};

/// A dead key: its own character, and what it makes of the character typed after it.
struct DeadKey {
  std::u16string own;
  std::vector<std::pair<std::u16string, std::u16string>> compositions;
};

/// The shipped layout with this name ("US", "French", "German", "Russian"); nothing otherwise.
const SimLayout* shippedLayout(std::string_view name);
/// Names of the shipped layouts.
std::vector<std::string> shippedLayoutNames();
/// The dead key with this id (ids start at 1); nothing for unknown ids.
const DeadKey* deadKeyWithId(int id);

}  // namespace parlevox::sim
