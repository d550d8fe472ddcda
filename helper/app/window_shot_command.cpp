// The "windowShot" command: its fields and defaults, handed to the window shot.
#include "helper/app/window_shot_command.h"

#include <nlohmann/json.hpp>

#include "helper/context/window_shot.h"
#include "helper/context/window_title.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/core/process_id.h"
#include "helper/platform/permissions.h"
#include "helper/platform/text.h"
#include "helper/platform/workspace.h"

namespace parlevox {

void runWindowShot(Helper& h, const Command& c) {
  std::int32_t pid = 0;
  if (c.pid) {
    // A pid no process can have matches no window rather than some other process's.
    pid = processId(*c.pid).value_or(kNoProcess);
  } else if (auto front = h.platform.workspace->frontmostApplication()) {
    pid = front->pid;
  }
  const WindowShotRequest request{.pid = pid,
                                  .image = c.image.value_or(false),
                                  .ocr = c.ocr.value_or(true),
                                  .maxSize = c.maxSize.value_or(1280),
                                  .trusted = h.platform.permissions->accessibilityTrusted()};
  const WindowShotServices services{
      .permissions = h.platform.permissions,
      .capture = h.platform.windowCapture,
      .recognizer = h.platform.textRecognizer,
      .encoder = h.platform.imageEncoder,
      .focusedWindowTitle = [ax = h.platform.accessibility](std::int32_t pid) {
        return ax ? platform::utf8FromUtf16(focusedWindowTitle(*ax, pid)) : std::string();
      }};
  windowShot(services, h.loop, request,
             [id = c.id](nlohmann::json reply) { respond(id, std::move(reply)); });
}

}  // namespace parlevox
