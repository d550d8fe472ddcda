// Commands that act on other applications with keys: paste, activate, Return and Right Arrow.
#include "helper/app/output_commands.h"

#include <cstdint>
#include <nlohmann/json.hpp>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/output/activation.h"
#include "helper/output/paste.h"
#include "helper/output/post_key.h"
#include "helper/platform/key_codes.h"

namespace parlevox {

void runPaste(Helper& h, const Command& c) {
  // The reply comes once the target is in front; no later command may run before it.
  auto hold = h.commands.hold();
  paste(h, c.pid, [id = c.id, hold](nlohmann::json reply) mutable {
    respond(id, std::move(reply));
    hold.release();
  });
}

void runActivate(Helper& h, const Command& c) {
  if (!c.pid || *c.pid < 1) return respond(c.id, {{"ok", false}, {"error", "no_pid"}});
  // A pid past the 32-bit range names no process; it must not be cut down to one that does.
  if (*c.pid > INT32_MAX) return respond(c.id, {{"ok", false}});
  auto hold = h.commands.hold();
  activate(*h.platform.workspace, h.loop, static_cast<std::int32_t>(*c.pid),
           [id = c.id, hold](bool frontmost) mutable {
             respond(id, {{"ok", frontmost}});
             hold.release();
           });
}

void runPressReturn(Helper& h, const Command& c) {
  respond(c.id, {{"ok", postKey(*h.platform.events, platform::kReturnKeyCode, 0,
                                platform::TapLocation::session, 8000)}});
}

void runDropSelection(Helper& h, const Command& c) {
  respond(c.id, {{"ok", postKey(*h.platform.events, platform::kRightArrowKeyCode, 0,
                                platform::TapLocation::hid, 0)}});
}

}  // namespace parlevox
