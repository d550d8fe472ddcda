// Menu items of other running applications whose keyboard shortcut uses one of the asked keys,
// found in their menu bars through the accessibility interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <set>
#include <string>
#include <vector>

#include "helper/context/deadline.h"
#include "helper/platform/accessibility.h"
#include "helper/platform/workspace.h"

namespace parlevox {

/// What to look for: upper-case command characters and virtual key codes.
struct MenuKeys {
  std::set<std::string> chars;
  std::set<std::int64_t> codes;
};

/// How far one search goes.
inline constexpr double menuReadTimeoutSeconds = 0.25;  // per read of another application
inline constexpr int menuItemLimit = 3000;              // items counted per application
inline constexpr int menuDepthLimit = 3;                // menu levels below the first: 0 to 3
inline constexpr std::size_t menuEntryLimit = 400;      // entries in all
/// Applications searched at the same time, whatever their number.
inline constexpr std::size_t menuWorkers = 8;

/// The processes never searched: the helper's own and the application that started it.
struct OwnProcesses {
  std::int32_t self = 0, parent = 0;
};

/// The entries {"app", "mods", "path", "char"?, "key"?} of one application's menu bar, in walk
/// order: the menus of every menu-bar item but the first, four levels deep, at most 2999 items
/// and `menuEntryLimit` entries, nothing read once the deadline has passed.
std::vector<nlohmann::json> menuShortcutsOf(platform::Accessibility& ax,
                                            const platform::RunningApp& app, const MenuKeys& keys,
                                            const Deadline& deadline);

/// Which applications are searched: the regular, running ones, in the workspace's order, but
/// not the own processes nor any whose bundle identifier begins with "com.parlevox.".
std::vector<platform::RunningApp> menuCandidates(std::vector<platform::RunningApp> running,
                                                 OwnProcesses own);

/// The entries of every candidate, in candidate order, at most `menuEntryLimit`; empty without
/// accessibility or with nothing to look for. Several applications are searched at once on at
/// most `menuWorkers` threads, the calling one among them; it returns when all have ended.
std::vector<nlohmann::json> menuShortcuts(platform::Accessibility& ax,
                                          platform::Workspace& workspace, const MenuKeys& keys,
                                          const Deadline& deadline, OwnProcesses own);

}  // namespace parlevox
