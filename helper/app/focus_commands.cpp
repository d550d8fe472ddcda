// The focused-field commands: trust, the frontmost pid and the thread they run on.
#include "helper/app/focus_commands.h"

#include <nlohmann/json.hpp>

#include "helper/context/focused_state.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/core/process_id.h"
#include "helper/platform/permissions.h"
#include "helper/platform/workspace.h"

namespace parlevox {
namespace {

constexpr std::int64_t kDefaultMaxChars = 20000;

platform::Accessibility* trustedAccessibility(Helper& h) {
  const bool trusted = h.platform.permissions && h.platform.permissions->accessibilityTrusted();
  return trusted ? h.platform.accessibility : nullptr;
}

const nlohmann::json kNoAccessibility{{"ok", false}, {"error", "no_accessibility"}};

}  // namespace

void runFocusedState(Helper& h, const Command& c) {
  auto* ax = trustedAccessibility(h);
  if (!ax) return respond(c.id, kNoAccessibility);
  std::int32_t frontPid = 0;
  if (h.platform.workspace)
    if (auto app = h.platform.workspace->frontmostApplication()) frontPid = app->pid;
  const auto maxChars = c.maxChars.value_or(kDefaultMaxChars);
  // A pid no process can have reads nothing rather than some other process's field.
  std::optional<std::int32_t> pid;
  if (c.pid) pid = processId(*c.pid).value_or(kNoProcess);
  if (!c.around) return respond(c.id, focusedState(*ax, pid, maxChars, std::nullopt, frontPid));
  h.loop.background([&loop = h.loop, ax, id = c.id, pid, maxChars, around = c.around, frontPid] {
    auto reply = focusedState(*ax, pid, maxChars, around, frontPid);
    loop.post([id, reply = std::move(reply)]() mutable { respond(id, std::move(reply)); });
  });
}

void runFocusedValue(Helper& h, const Command& c) {
  auto* ax = trustedAccessibility(h);
  if (!ax) return respond(c.id, kNoAccessibility);
  respond(c.id, focusedValue(*ax, c.maxChars.value_or(kDefaultMaxChars)));
}

}  // namespace parlevox
