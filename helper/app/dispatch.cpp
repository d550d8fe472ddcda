// Turns each decoded command into a call of the service that does its work, and its reply.
#include "helper/app/dispatch.h"

#include <array>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "helper/app/context_commands.h"
#include "helper/app/field_commands.h"
#include "helper/app/focus_commands.h"
#include "helper/app/hotkey_commands.h"
#include "helper/app/layout_commands.h"
#include "helper/app/output_commands.h"
#include "helper/app/process_commands.h"
#include "helper/app/selection_commands.h"
#include "helper/app/window_shot_command.h"
#include "helper/core/app_queries.h"
#include "helper/core/command.h"
#include "helper/core/config_commands.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/core/screen_queries.h"
#include "helper/keyboard/key_rules.h"
#include "helper/output/copy_selection.h"
#include "helper/output/decode_to_wav.h"
#include "helper/output/ducking.h"
#include "helper/output/select_back.h"
#include "helper/platform/events.h"

namespace parlevox {
namespace {

using Run = void (*)(Helper&, const Command&);

struct Row {
  std::string_view cmd;
  Run run;
};

void runDuck(Helper& h, const Command& c) {
  respond(c.id, duck(h.state.ducking, h.platform.volume, c.level.value_or(0.2)));
}
void runUnduck(Helper& h, const Command& c) {
  respond(c.id, unduck(h.state.ducking, h.platform.volume));
}

// Matched in this order; the first row whose name equals `cmd` runs.
constexpr std::array kRows{
    Row{"config", runConfig},
    Row{"arm", runArm},
    Row{"ownClicks", runOwnClicks},
    Row{"screens", runScreens},
    Row{"paste", runPaste},
    Row{"selection", runSelection},
    Row{"pressReturn", runPressReturn},
    Row{"decode", runDecode},
    Row{"context", runContext},
    Row{"nearText", runNearText},
    Row{"duck", runDuck},
    Row{"unduck", runUnduck},
    Row{"focusedState", runFocusedState},
    Row{"focusedValue", runFocusedValue},
    Row{"window", runWindow},
    Row{"selectRange", runSelectRange},
    Row{"selectBack", runSelectBack},
    Row{"dropSelection", runDropSelection},
    Row{"selectAll", runSelectAll},
    Row{"focusedField", runFocusedField},
    Row{"focusedFrame", runFocusedFrame},
    Row{"keyLabels", runKeyLabels},
    Row{"inputLanguages", runInputLanguages},
    Row{"hotkeyOwners", runHotkeyOwners},
    Row{"screenAccess", runScreenAccess},
    Row{"inputAccess", runInputAccess},
    Row{"windowShot", runWindowShot},
    Row{"frontmost", runFrontmost},
    Row{"activate", runActivate},
    Row{"runningApps", runRunningApps},
    Row{"status", runStatus},
    Row{"quit", runQuit},
};

}  // namespace

void handleCommand(Helper& h, const Command& command) {
  // Names are distinct, so a hash lookup finds the same row as matching in table order.
  static const auto byName = [] {
    std::unordered_map<std::string_view, Run> map;
    for (const auto& row : kRows) map.emplace(row.cmd, row.run);
    return map;
  }();
  // The main application moving on may have written the pasteboard itself; a copy the helper
  // asked for that lands late is then left alone.
  if (command.cmd != "selection") abandonLateCopy(h);
  if (auto it = byName.find(command.cmd); it != byName.end()) {
    it->second(h, command);
    // Rules, watched keys and arming decide which presses the tap may have to swallow.
    if (command.cmd == "config" || command.cmd == "arm")
      tellSwallowNeeds(*h.platform.events, h.state.keyboard);
    return;
  }
  respond(command.id, {{"ok", false}, {"error", "unknown command"}});
}

}  // namespace parlevox
