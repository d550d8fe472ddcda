// Commands about the helper process itself: status, permissions and quitting.
#include "helper/app/process_commands.h"

#include <nlohmann/json.hpp>
#include <string>

#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/output/ducking.h"
#include "helper/platform/events.h"
#include "helper/platform/permissions.h"

namespace parlevox {

void runStatus(Helper& h, const Command& c) {
  // The application polls this; its fixed shape is written without building a JSON tree.
  auto boolean = [](bool b) { return b ? "true" : "false"; };
  std::string line = "{\"ax\":";
  line += boolean(h.platform.permissions->accessibilityTrusted());
  if (c.id) {
    line += ",\"id\":";
    line += std::to_string(*c.id);
  }
  line += ",\"ok\":true,\"secure\":";
  line += boolean(h.platform.events->secureInputEnabled());
  line += ",\"tap\":";
  line += boolean(h.state.keyboard.eventTap);
  line += '}';
  emitSerialised(std::move(line));
}

void runScreenAccess(Helper& h, const Command& c) {
  auto& p = *h.platform.permissions;
  bool granted = p.screenCaptureAllowed();
  if (!granted && c.request.value_or(false)) granted = p.requestScreenCapture();
  respond(c.id, {{"ok", true}, {"granted", granted}});
}

void runInputAccess(Helper& h, const Command& c) {
  auto& p = *h.platform.permissions;
  bool granted = p.listenEventAllowed();
  if (!granted && c.request.value_or(false)) granted = p.requestListenEvent();
  respond(c.id, {{"ok", true}, {"granted", granted}});
}

void runQuit(Helper& h, const Command& c) {
  unduck(h.state.ducking, h.platform.volume);
  respond(c.id, {{"ok", true}});
  h.exit(0);
}

}  // namespace parlevox
