// The "hotkeyOwners" command: who already uses a key combination.
#include "helper/app/hotkey_commands.h"

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/hotkey_availability.h"
#include "helper/keyboard/menu_shortcuts.h"

namespace parlevox {
namespace {

using nlohmann::json;

// How long the menu search may take before it answers with what it has found.
constexpr double menuBudgetMs = 1500;

}  // namespace

void runHotkeyOwners(Helper& h, const Command& c) {
  json taken = json::array();
  for (const auto& ask : c.hotkeys.value_or(std::vector<HotkeyAsk>{})) {
    const auto held = hotkeyTaken(h.platform.hotKeys, ask);
    taken.push_back(held ? json(*held) : json(nullptr));
  }
  json apps = json::array();
  if (h.platform.workspace)
    for (const auto& app : h.platform.workspace->runningApplications())
      if (app.bundleId) apps.push_back(*app.bundleId);
  json reply{{"ok", true},
             {"taken", std::move(taken)},
             {"apps", std::move(apps)},
             {"symbolic", symbolicHotKeysOn(h.platform.symbolicHotKeys)}};
  MenuKeys keys;
  for (const auto& character : c.menuChars.value_or(std::vector<std::string>{}))
    keys.chars.insert(character);
  for (const auto code : c.menuKeys.value_or(std::vector<std::int64_t>{})) keys.codes.insert(code);
  const OwnProcesses own{.self = ::getpid(), .parent = ::getppid()};
  h.loop.background([&loop = h.loop, ax = h.platform.accessibility,
                     workspace = h.platform.workspace, id = c.id, reply = std::move(reply),
                     keys = std::move(keys), own]() mutable {
    // Other applications answer in real time, so the budget is counted on the real clock.
    const auto deadline = Deadline::after(monotonicMs, menuBudgetMs);
    json menus = json::array();
    if (ax && workspace)
      for (auto& entry : menuShortcuts(*ax, *workspace, keys, deadline, own))
        menus.push_back(std::move(entry));
    reply["menus"] = std::move(menus);
    loop.post([id, reply = std::move(reply)]() mutable { respond(id, std::move(reply)); });
  });
}

}  // namespace parlevox
