// The hot-key probe and the system's shortcut list on simulated desktops: what the probe
// registers and gives back, and which shortcut entries count.
#include <gtest/gtest.h>

#include <optional>

#include "helper/keyboard/hotkey_availability.h"
#include "helper/platform/key_codes.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using nlohmann::json;

TEST(HotkeyTaken, RegistersExclusivelyAndLeavesNothingRegistered) {
  // KeyK (40) with Command is held by another program; KeyJ (38) with Command and Shift fails
  // for another reason.
  auto desktop = testing::loadDesktop(R"({"hotKeys": {
    "held": [{"code": 40, "mods": 256}],
    "failing": [{"code": 38, "mods": 768, "status": -50}]}})");
  desktop->recorder.keepInMemory();
  struct Row {
    HotkeyAsk ask;
    std::optional<bool> taken;
    std::optional<std::uint32_t> registered;  // the modifier bits asked for, when it asks at all
  };
  const Row rows[] = {
      {{"KeyZ", {}}, false, 0},
      {{"KeyK", {"command"}}, true, 256},
      {{"KeyK", {"shift"}}, false, 512},
      {{"KeyA", {"command", "shift", "option", "control"}}, false, 0x1B00},
      {{"KeyB", {"command", "command"}}, false, 256},
      {{"KeyJ", {"command", "shift"}}, std::nullopt, 768},
      // Words and keys outside the tables are never asked about.
      {{"KeyK", {"command", "hyper"}}, std::nullopt, std::nullopt},
      {{"KeyK", {"Command"}}, std::nullopt, std::nullopt},
      {{"F5", {"command"}}, std::nullopt, std::nullopt},
      {{"LeftOption", {}}, std::nullopt, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ask.key);
    const auto before = desktop->recorder.entries().size();
    EXPECT_EQ(hotkeyTaken(&desktop->hotKeys, row.ask), row.taken);
    auto entries = desktop->recorder.entries();
    entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(before));
    if (!row.registered) {
      EXPECT_TRUE(entries.empty());
      continue;
    }
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0]["do"], "registerHotKey");
    EXPECT_EQ(entries[0]["code"], *platform::keyCodeNamed(row.ask.key));
    EXPECT_EQ(entries[0]["mods"], *row.registered);
    EXPECT_EQ(entries[0]["signature"], "PVKY");
    EXPECT_EQ(entries[0]["id"], 1);
    EXPECT_EQ(entries[0]["exclusive"], true);
    // A free combination is given back at once; a refused one had nothing to give back.
    EXPECT_EQ(entries.size(), row.taken == false ? 2u : 1u);
    if (row.taken == false) {
      EXPECT_EQ(entries[1]["do"], "unregisterHotKey");
    }
    EXPECT_EQ(desktop->hotKeys.registeredCount(), 0u);
  }
  EXPECT_EQ(hotkeyTaken(nullptr, {"KeyZ", {}}), std::nullopt);
}

TEST(SymbolicHotKeys, EnabledEntriesWithNumberCodeAndModifiersInOrder) {
  auto desktop = testing::loadDesktop(R"({"hotKeys": {"symbolic": [
    {"enabled": true, "code": 49, "modifiers": 1048576},
    {"enabled": false, "code": 50, "modifiers": 1048576},
    {"enabled": 1, "code": 36.9, "modifiers": 0, "type": "standard"},
    {"enabled": 0, "code": 1, "modifiers": 0},
    {"enabled": "yes", "code": 2, "modifiers": 0},
    {"code": 3, "modifiers": 0},
    {"enabled": true, "modifiers": 0},
    {"enabled": true, "code": "49", "modifiers": 0},
    {"enabled": true, "code": 4, "modifiers": null},
    {"enabled": true, "code": 1e300, "modifiers": 0},
    {"enabled": true, "code": 126, "modifiers": 8650752}]}})");
  EXPECT_EQ(json(symbolicHotKeysOn(&desktop->hotKeys)),
            json::parse("[[49, 1048576], [36, 0], [126, 8650752]]"));

  // A failed read, a result that is not a list, and a list holding something other than
  // dictionaries all give nothing.
  for (
      const char* scenario :
      {R"({"hotKeys": {"symbolicStatus": -50, "symbolic": [{"enabled": true, "code": 1, "modifiers": 0}]}})",
       R"({"hotKeys": {"symbolic": "not a list"}})",
       R"({"hotKeys": {"symbolic": [{"enabled": true, "code": 1, "modifiers": 0}, 7]}})",
       R"({})"}) {
    SCOPED_TRACE(scenario);
    auto other = testing::loadDesktop(scenario);
    EXPECT_TRUE(symbolicHotKeysOn(&other->hotKeys).empty());
  }
  EXPECT_TRUE(symbolicHotKeysOn(nullptr).empty());
}

}  // namespace
}  // namespace parlevox
