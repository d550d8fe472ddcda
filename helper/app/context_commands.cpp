// The "context", "nearText" and "window" commands.
#include "helper/app/context_commands.h"

#include <nlohmann/json.hpp>

#include "helper/context/context_capture.h"
#include "helper/context/geometry.h"
#include "helper/context/near_text.h"
#include "helper/context/window_title.h"
#include "helper/core/characters.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/core/process_id.h"
#include "helper/platform/permissions.h"
#include "helper/platform/text.h"
#include "helper/platform/workspace.h"

namespace parlevox {
namespace {

using platform::utf8FromUtf16;

// How long "window" may search for the page before it answers with what it has.
constexpr double windowDeadlineMs = 2000;
constexpr std::int64_t titleLimit = 200;

bool trusted(Helper& h) {
  return h.platform.permissions && h.platform.permissions->accessibilityTrusted();
}

// Runs `work` on the background pool and replies with its result from the main thread.
template <class Work>
void replyInBackground(Helper& h, std::optional<std::int64_t> id, Work work) {
  h.loop.background([&loop = h.loop, id, work = std::move(work)]() mutable {
    auto reply = work();
    loop.post([id, reply = std::move(reply)]() mutable { respond(id, std::move(reply)); });
  });
}

Clock clockOf(RunLoop& loop) {
  return [&loop] { return loop.now(); };
}

}  // namespace

std::optional<platform::RunningApp> targetApp(platform::Workspace& workspace,
                                              std::optional<std::int64_t> pid) {
  // A pid outside the 32-bit range names no process, never some other one by truncation.
  if (const auto wanted = pid ? processId(*pid) : std::nullopt)
    for (auto& app : workspace.runningApplications())
      if (app.pid == *wanted && !app.terminated) return app;
  return workspace.frontmostApplication();
}

nlohmann::json windowReply(platform::Accessibility& ax, std::int32_t pid, const Pause& pause,
                           const Deadline& deadline) {
  const auto title = focusedWindowTitle(ax, pid);
  nlohmann::json reply{{"ok", true}, {"title", utf8FromUtf16(firstCharacters(title, titleLimit))}};
  auto page = browserPage(ax, pid, pause, deadline);
  if (page.address) reply["url"] = std::move(*page.address);
  if (page.full) reply["fullUrl"] = std::move(*page.full);
  if (page.page) reply["page"] = true;
  return reply;
}

void runContext(Helper& h, const Command& c) {
  ContextRequest request{
      .trusted = trusted(h),
      .app = targetApp(*h.platform.workspace, c.pid),
      .maxChars = c.maxChars.value_or(6000),
      .everything = c.all.value_or(false),
      .displays = displayBounds(*h.platform.screens),
      .clock = clockOf(h.loop),
  };
  replyInBackground(h, c.id, [ax = h.platform.accessibility, request = std::move(request)] {
    return captureContext(*ax, request);
  });
}

void runNearText(Helper& h, const Command& c) {
  const bool allowed = trusted(h);
  const auto app = targetApp(*h.platform.workspace, c.pid);
  std::optional<std::int32_t> pid;
  if (app) pid = app->pid;
  replyInBackground(
      h, c.id,
      [ax = h.platform.accessibility, allowed, pid, maxChars = c.maxChars.value_or(6000),
       clock = clockOf(h.loop)] { return nearText(*ax, allowed, pid, maxChars, clock); });
}

void runWindow(Helper& h, const Command& c) {
  if (!trusted(h)) {
    respond(c.id, {{"ok", false}, {"error", "no_accessibility"}});
    return;
  }
  std::int32_t pid = 0;
  if (c.pid) {
    pid = processId(*c.pid).value_or(kNoProcess);
  } else if (const auto front = h.platform.workspace->frontmostApplication()) {
    pid = front->pid;
  }
  replyInBackground(h, c.id, [ax = h.platform.accessibility, pid, clock = clockOf(h.loop)] {
    return windowReply(*ax, pid, threadSleep(), Deadline::after(clock, windowDeadlineMs));
  });
}

}  // namespace parlevox
