// Typing detection: bursts of the user's own typing and the typing speed.
#include "helper/keyboard/typing.h"

#include <nlohmann/json.hpp>

#include "helper/core/app_queries.h"
#include "helper/core/emit.h"
#include "helper/core/state.h"
#include "helper/platform/key_codes.h"
#include "helper/platform/workspace.h"

namespace parlevox {
namespace {

void emitTyping(platform::Workspace& workspace, double ms) {
  emit({{"t", "typing"},
        {"ms", static_cast<std::int64_t>(ms)},
        {"app", appRecord(workspace.frontmostApplication())}});
}

}  // namespace

void noteTyping(TypingState& s, platform::Workspace& workspace, double now,
                const platform::InputEvent& event) {
  const std::int64_t code = event.keyCode;
  const bool bursts = s.typingAfterMs > 0 || !s.typingMarks.empty();
  if (!s.typingStats && !bursts) return;
  if (event.autorepeat || platform::isNonTypingKey(code)) return;
  if (event.flags & (platform::kCommandFlag | platform::kControlFlag)) return;

  const double t = now;
  if (s.typingStats)
    noteTypingSpeed(s, t,
                    code == platform::kDeleteKeyCode || code == platform::kForwardDeleteKeyCode);
  if (!bursts) return;

  auto front = workspace.frontmostApplication();
  const std::int32_t pid = front ? front->pid : 0;
  if (t - s.typingLast > s.typingGapMs || pid != s.typingPid) {
    s.typingStart = t;
    s.typingReported = false;
    s.typingNextMark = 0;
    s.typingPid = pid;
  }
  s.typingLast = t;
  const double ms = t - s.typingStart;
  if (s.typingMarks.empty()) {
    if (!s.typingReported && ms >= s.typingAfterMs) {
      s.typingReported = true;
      emitTyping(workspace, ms);
    }
    return;
  }
  while (s.typingNextMark < static_cast<std::int64_t>(s.typingMarks.size()) &&
         ms >= s.typingMarks[static_cast<std::size_t>(s.typingNextMark)]) {
    ++s.typingNextMark;
    emitTyping(workspace, ms);
  }
}

void noteTypingSpeed(TypingState& s, double at, bool isDelete) {
  if (s.speedLast > 0 && at - s.speedLast < s.speedGapMs) {
    s.speedMs += at - s.speedLast;
    ++(isDelete ? s.speedBack : s.speedKeys);
    if (s.speedKeys + s.speedBack >= s.speedReportEvery) {
      emit({{"t", "typed"},
            {"keys", s.speedKeys},
            {"back", s.speedBack},
            {"ms", static_cast<std::int64_t>(s.speedMs)}});
      s.speedKeys = s.speedBack = 0;
      s.speedMs = 0;
    }
  }
  s.speedLast = at;
}

}  // namespace parlevox
