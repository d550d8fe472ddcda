// Commands on the user's selection: reading it, and selecting a range of the focused field.
#include "helper/app/selection_commands.h"

#include <nlohmann/json.hpp>

#include "helper/context/select_range.h"
#include "helper/context/selection_capture.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/platform/permissions.h"

namespace parlevox {

void runSelection(Helper& h, const Command& c) {
  // While the copy is awaited the main loop serves the event tap, timers and replies of
  // background work; commands wait until this one has replied.
  auto hold = h.commands.hold();
  captureSelection(h, c.copy.value_or(true), [id = c.id, hold](nlohmann::json reply) mutable {
    respond(id, std::move(reply));
    hold.release();
  });
}

void runSelectRange(Helper& h, const Command& c) {
  if (!h.platform.permissions->accessibilityTrusted() || !c.location || !c.length ||
      *c.location < 0 || *c.length < 0)
    return respond(c.id, {{"ok", false}, {"error", "bad_request"}});
  SelectRangeRequest request{c.pid, *c.location, *c.length, c.text};
  // The confirmation sleeps between looks; it blocks only the worker, and its reply may overtake
  // the replies of later commands.
  h.loop.background(
      [ax = h.platform.accessibility, &loop = h.loop, id = c.id, request = std::move(request)] {
        auto reply = selectRange(*ax, request, realWorkerClock());
        loop.post([id, reply = std::move(reply)]() mutable { respond(id, std::move(reply)); });
      });
}

}  // namespace parlevox
