// The "context", "nearText" and "window" commands.
#include "helper/context/context_commands.h"

#include <nlohmann/json.hpp>

#include "helper/context/context_capture.h"
#include "helper/context/geometry.h"
#include "helper/context/near_text.h"
#include "helper/context/window_title.h"
#include "helper/core/characters.h"
#include "helper/core/command.h"
#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/core/text.h"

namespace parlevox {
namespace {

// How long "window" may search for the page before it answers with what it has.
constexpr double windowDeadlineMs = 2000;
constexpr std::int64_t titleLimit = 200;

// A process id from the command; a value outside the 32-bit range names no process.
std::optional<std::int32_t> processId(std::optional<std::int64_t> pid) {
  if (!pid || *pid < INT32_MIN || *pid > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(*pid);
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
  if (pid) {
    const auto wanted = processId(pid);
    for (auto& app : workspace.runningApplications())
      if (wanted && app.pid == *wanted && !app.terminated) return app;
  }
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
      .trusted = h.platform.accessibility->isProcessTrusted(),
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
  const bool trusted = h.platform.accessibility->isProcessTrusted();
  const auto app = targetApp(*h.platform.workspace, c.pid);
  std::optional<std::int32_t> pid;
  if (app) pid = app->pid;
  replyInBackground(
      h, c.id,
      [ax = h.platform.accessibility, trusted, pid, maxChars = c.maxChars.value_or(6000),
       clock = clockOf(h.loop)] { return nearText(*ax, trusted, pid, maxChars, clock); });
}

void runWindow(Helper& h, const Command& c) {
  if (!h.platform.accessibility->isProcessTrusted()) {
    respond(c.id, {{"ok", false}, {"error", "no_accessibility"}});
    return;
  }
  std::int32_t pid = 0;
  if (c.pid) {
    pid = processId(c.pid).value_or(0);
  } else if (const auto front = h.platform.workspace->frontmostApplication()) {
    pid = front->pid;
  }
  replyInBackground(h, c.id, [ax = h.platform.accessibility, pid, clock = clockOf(h.loop)] {
    return windowReply(*ax, pid, threadSleep(), Deadline::after(clock, windowDeadlineMs));
  });
}

}  // namespace parlevox
