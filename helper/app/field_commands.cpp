// The commands that tell where the focused field is: "focusedField" and "focusedFrame".
#include "helper/app/field_commands.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "helper/context/ax_read.h"
#include "helper/context/caret_text.h"
#include "helper/context/field_print.h"
#include "helper/context/geometry.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/core/process_id.h"
#include "helper/platform/permissions.h"
#include "helper/platform/text.h"

namespace parlevox {
namespace {

using nlohmann::json;

// A coordinate as the wire writes it: whole values as integers (10, not 10.0).
json coordinate(double value) {
  if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 9e15)
    return static_cast<std::int64_t>(value);
  return value;
}

bool takesText(platform::Accessibility& ax, const Element& element) {
  const auto role = platform::utf8FromUtf16(stringOf(axValue(ax, element, "AXRole")).value_or(u""));
  return std::find(std::begin(editableRoles), std::end(editableRoles), role) !=
         std::end(editableRoles);
}

void replyInBackground(Helper& h, std::optional<std::int64_t> id, FieldQuery query) {
  h.loop.background(
      [&loop = h.loop, ax = h.platform.accessibility, workspace = h.platform.workspace, id, query] {
        auto reply = ax ? focusedFieldReply(*ax, workspace, query) : json{{"ok", false}};
        loop.post([id, reply = std::move(reply)]() mutable { respond(id, std::move(reply)); });
      });
}

bool trusted(Helper& h) {
  return h.platform.permissions && h.platform.permissions->accessibilityTrusted();
}

}  // namespace

json focusedFieldReply(platform::Accessibility& ax, platform::Workspace* workspace,
                       const FieldQuery& query) {
  const json refused{{"ok", false}};
  if (!query.trusted) return refused;
  const auto element = query.pid ? focusedElement(ax, *query.pid) : focusedElement(ax);
  if (!element || isSecure(ax, *element)) return refused;
  if (query.textOnly && !takesText(ax, *element)) return refused;
  const auto frame = frameOf(ax, *element);
  // Strictly larger: a text field 20 points wide or 10 high is a placeholder, not a field.
  const double minW = query.textOnly ? 20 : 0, minH = query.textOnly ? 10 : 0;
  if (!frame || !(frame->w > minW) || !(frame->h > minH)) return refused;
  json reply{{"ok", true},
             {"x", coordinate(frame->x)},
             {"y", coordinate(frame->y)},
             {"w", coordinate(frame->w)},
             {"h", coordinate(frame->h)}};
  if (query.textOnly) {
    const std::int32_t pid = ax.pid(*element).value_or(0);
    std::optional<platform::RunningApp> app;
    if (workspace)
      for (auto& running : workspace->runningApplications())
        if (running.pid == pid) {
          app = std::move(running);
          break;
        }
    reply["pid"] = pid;
    reply["bundle"] = app ? app->bundleId.value_or("") : "";
    reply["name"] = app ? app->localizedName.value_or("") : "";
  }
  if (const auto caret = caretRect(ax, *element)) {
    reply["caretX"] = coordinate(caret->x);
    reply["caretY"] = coordinate(caret->rect.y);
    reply["caretH"] = coordinate(caret->rect.h);
  }
  if (const auto window = windowFrame(ax, *element)) reply["win"] = rectJSON(*window);
  if (query.print) reply["print"] = fieldPrint(ax, *element);
  return reply;
}

void runFocusedField(Helper& h, const Command& c) {
  replyInBackground(h, c.id,
                    {.trusted = trusted(h),
                     .pid = std::nullopt,
                     .textOnly = true,
                     .print = c.print.value_or(false)});
}

void runFocusedFrame(Helper& h, const Command& c) {
  std::optional<std::int32_t> pid;
  // A pid no process can have finds no element rather than some other process's.
  if (c.pid) pid = processId(*c.pid).value_or(kNoProcess);
  replyInBackground(
      h, c.id,
      {.trusted = trusted(h), .pid = pid, .textOnly = false, .print = c.print.value_or(false)});
}

}  // namespace parlevox
